#include "monitor/portaccess/core/WmiWalk.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct Entity {
    std::optional<std::string> name;  // nullopt: not a string value
    std::optional<std::string> pnpId;
};

class ListSource : public portaccess::PnpEntitySource {
public:
    explicit ListSource(std::vector<Entity> entities) : m_entities(std::move(entities)) {}
    bool Next() override {
        ++m_position;
        return m_position < m_entities.size();
    }
    bool Name(std::string& name) override {
        if (!m_entities[m_position].name) return false;
        name = *m_entities[m_position].name;
        return true;
    }
    bool PnpDeviceId(std::string& id) override {
        asked.push_back(m_position);
        if (!m_entities[m_position].pnpId) return false;
        id = *m_entities[m_position].pnpId;
        return true;
    }
    std::vector<std::size_t> asked;  // positions whose PNPDeviceID was asked for

private:
    std::vector<Entity> m_entities;
    std::size_t m_position = static_cast<std::size_t>(-1);
};

TEST(WmiWalk, MatchingNameGivesTheInstanceId) {
    ListSource source({{"Communications Port (COM1)", "ACPI\\PNP0501\\1"},
                       {"ECP Printer Port (LPT1)", "ACPI\\PNP0401\\1"},
                       {"Standard PS/2 Keyboard", "ACPI\\PNP0303\\4&1D401FB5&0"}});
    std::string id = "(LPT1)";
    EXPECT_EQ(portaccess::WalkPnpEntities(source, id), 1);
    EXPECT_EQ(id, "ACPI\\PNP0401\\1");
    EXPECT_EQ(source.asked, (std::vector<std::size_t>{1})) << "PNPDeviceID is read only for a matching name";
}

TEST(WmiWalk, NoMatchLeavesTheSearchText) {
    ListSource source({{"ECP Printer Port (LPT1)", "ACPI\\PNP0401\\1"}, {"Printer Port (lpt2)", "X"}});
    std::string id = "(LPT2)";
    EXPECT_EQ(portaccess::WalkPnpEntities(source, id), 0);
    EXPECT_EQ(id, "(LPT2)") << "the comparison is case-sensitive";
    EXPECT_TRUE(source.asked.empty());

    ListSource empty({});
    EXPECT_EQ(portaccess::WalkPnpEntities(empty, id), 0);
    EXPECT_EQ(id, "(LPT2)");
}

TEST(WmiWalk, LaterNamesAreComparedWithTheNewId) {
    // The second port also contains the search text, but by then id is the first one's instance id.
    ListSource source({{"ECP Printer Port (LPT1)", "ACPI\\PNP0401\\1"},
                       {"Printer Port (LPT1)", "ACPI\\PNP0400\\2"},
                       // A name holding the new id does replace it again.
                       {"Alias of ACPI\\PNP0401\\1", "ROOT\\ALIAS\\0000"},
                       {"Printer Port (LPT1)", "ACPI\\PNP0400\\3"}});
    std::string id = "(LPT1)";
    EXPECT_EQ(portaccess::WalkPnpEntities(source, id), 2);
    EXPECT_EQ(id, "ROOT\\ALIAS\\0000");
    EXPECT_EQ(source.asked, (std::vector<std::size_t>{0, 2}));
}

TEST(WmiWalk, NonStringValuesTakeNoPart) {
    ListSource source({{std::nullopt, "ACPI\\PNP0401\\9"},
                       {"ECP Printer Port (LPT1)", std::nullopt},
                       {"Printer Port (LPT1)", "ACPI\\PNP0400\\2"}});
    std::string id = "(LPT1)";
    EXPECT_EQ(portaccess::WalkPnpEntities(source, id), 1);
    EXPECT_EQ(id, "ACPI\\PNP0400\\2") << "a match without a string id leaves the search text for later names";
    EXPECT_EQ(source.asked, (std::vector<std::size_t>{1, 2}));
}

TEST(WmiWalk, SubstringRule) {
    EXPECT_TRUE(portaccess::NameContainsId("ECP Printer Port (LPT1)", "(LPT1)"));
    EXPECT_TRUE(portaccess::NameContainsId("(LPT1)", "(LPT1)"));
    EXPECT_FALSE(portaccess::NameContainsId("ECP Printer Port (LPT1", "(LPT1)"));
    EXPECT_FALSE(portaccess::NameContainsId("ecp printer port (lpt1)", "(LPT1)"));
    EXPECT_FALSE(portaccess::NameContainsId("", "(LPT1)"));
}

}  // namespace
