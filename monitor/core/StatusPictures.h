// The status pictures (the animated cursors of the status window), each made
// once and kept for the window's life. A status change only picks one of a
// handful of pictures: making a new one at every change leaks on Windows 7,
// where the system's shared-cursor loader hands out cursors that destroying
// does not free, and each leak costs window-system and graphics objects.
#pragma once

#include <utility>
#include <vector>

namespace monitor {

// Makes and destroys the pictures. The Win32 shell supplies the real one;
// tests supply a fake.
class PictureSource {
public:
    virtual ~PictureSource() = default;
    // A picture of the monitor's own, or null when the resource is missing.
    virtual void* Create(int resourceId) = 0;
    virtual void Destroy(void* picture) = 0;
};

class StatusPictures {
public:
    explicit StatusPictures(PictureSource& source) : m_source(source) {}
    StatusPictures(const StatusPictures&) = delete;
    StatusPictures& operator=(const StatusPictures&) = delete;
    // Destroys every picture made, once: the control showing one must be gone.
    ~StatusPictures();

    // The picture for the resource, made at its first use (a missing one is
    // not looked for again); null for resource 0, which clears the picture.
    void* Picture(int resourceId);

private:
    PictureSource& m_source;
    std::vector<std::pair<int, void*>> m_made;
};

}  // namespace monitor
