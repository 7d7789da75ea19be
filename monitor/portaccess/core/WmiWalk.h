// The rule of the walk over the Plug and Play devices that turns an LPT
// search text such as "(LPT1)" into the port's Plug and Play instance id.
#pragma once

#include <string>

namespace portaccess {

// One pass over query results, as the walk needs it. The WMI enumerator is
// the real one; tests supply a list.
class PnpEntitySource {
public:
    virtual ~PnpEntitySource() = default;
    // Moves to the next device; false when no further object comes.
    virtual bool Next() = 0;
    // The current device's "Name" when it is a string.
    virtual bool Name(std::string& name) = 0;
    // The current device's "PNPDeviceID" when it is a string.
    virtual bool PnpDeviceId(std::string& id) = 0;
};

// Case-sensitive substring test of the walk.
bool NameContainsId(const std::string& name, const std::string& id);

// Walks every device: when its name contains id, id becomes its PNPDeviceID
// (only then is PNPDeviceID asked for). The walk does not stop at a match, so
// later names are compared with the new id. Returns the number of replacements.
int WalkPnpEntities(PnpEntitySource& source, std::string& id);

}  // namespace portaccess
