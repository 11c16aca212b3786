// The decisions about where launches meet and whose objects they trust.

#include "base/Text.h"
#include "instance/InstanceNames.h"
#include "instance/IntegrityLabel.h"
#include "instance/ObjectTrust.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct TrustCase {
    ObjectOwner owner;
    std::optional<uint32_t> label;
    uint32_t own;
    bool accepted;
};

TEST(AcceptExistingObject, OwnerAndLabelAgainstOurLevel) {
    const TrustCase cases[] = {
        // This user's objects without a label are medium.
        {ObjectOwner::CurrentUser, std::nullopt, kIntegrityMedium, true},
        {ObjectOwner::CurrentUser, kIntegrityMedium, kIntegrityMedium, true},
        {ObjectOwner::CurrentUser, kIntegrityHigh, kIntegrityMedium, true},
        // A sandboxed program of the same user got there first.
        {ObjectOwner::CurrentUser, kIntegrityLow, kIntegrityMedium, false},
        {ObjectOwner::CurrentUser, kIntegrityUntrusted, kIntegrityMedium, false},
        // An elevated start does not hand over to an ordinary one...
        {ObjectOwner::CurrentUser, std::nullopt, kIntegrityHigh, false},
        {ObjectOwner::CurrentUser, kIntegrityMedium, kIntegrityHigh, false},
        {ObjectOwner::CurrentUser, kIntegrityMedium + 0x100, kIntegrityHigh, false},
        // ...but two elevated starts meet, once their objects say High.
        {ObjectOwner::CurrentUser, kIntegrityHigh, kIntegrityHigh, true},
        {ObjectOwner::CurrentUser, kIntegritySystem, kIntegrityHigh, true},
        {ObjectOwner::CurrentUser, kIntegrityLow, kIntegrityLow, true},
        // Someone else's objects, whatever their level.
        {ObjectOwner::Other, std::nullopt, kIntegrityMedium, false},
        {ObjectOwner::Other, kIntegritySystem, kIntegrityMedium, false},
        // No owner: a system without object security (Wine).
        {ObjectOwner::Absent, std::nullopt, kIntegrityHigh, true},
        {ObjectOwner::Absent, kIntegrityLow, kIntegrityHigh, true},
    };
    for (const TrustCase& c : cases) {
        EXPECT_EQ(acceptExistingObject({c.owner, c.label}, c.own), c.accepted)
            << "owner " << static_cast<int>(c.owner) << " label " << c.label.value_or(0xFFFF) << " own " << c.own;
    }
}

TEST(IntegrityLabelSddl, LabelsAtTheLevelAndForbidsEveryAccessFromBelow) {
    const std::pair<uint32_t, const char*> cases[] = {
        {kIntegrityLow, "S:(ML;;NWNRNX;;;LW)"},
        {kIntegrityMedium, "S:(ML;;NWNRNX;;;ME)"},
        {kIntegrityHigh, "S:(ML;;NWNRNX;;;HI)"},
        {kIntegritySystem, "S:(ML;;NWNRNX;;;SI)"},
        // Levels without a short name (medium plus, untrusted) as label SIDs.
        {kIntegrityMedium + 0x100, "S:(ML;;NWNRNX;;;S-1-16-8448)"},
        {kIntegrityUntrusted, "S:(ML;;NWNRNX;;;S-1-16-0)"},
    };
    for (const auto& [level, sddl] : cases) EXPECT_EQ(integrityLabelSddl(level), fromUtf8(sddl)) << level;
}

struct PlaceCase {
    const char* folder;
    RuntimeFolderFacts facts;
    const char* path; // empty: the abstract name
};

TEST(ChooseSocketPlace, TheUsersOwnRuntimeFolderOrTheAbstractName) {
    const std::string name = "launcher-1000-0123456789abcdef";
    const std::string longFolder = "/run/" + std::string(70, 'x');
    const PlaceCase cases[] = {
        {"/run/user/1000", {true, 1000, 0700}, "/run/user/1000/launcher-1000-0123456789abcdef.sock"},
        {"/run/user/1000/", {true, 1000, 0700}, "/run/user/1000/launcher-1000-0123456789abcdef.sock"},
        {"/run/user/1000", {true, 1000, 0755}, "/run/user/1000/launcher-1000-0123456789abcdef.sock"},
        {"", {}, ""},
        {"run/user/1000", {true, 1000, 0700}, ""},
        {"/run/user/1000", {false, 1000, 0700}, ""},
        {"/run/user/1001", {true, 1001, 0700}, ""},
        {"/tmp", {true, 0, 01777}, ""},
        {"/run/user/1000", {true, 1000, 0770}, ""},
        {longFolder.c_str(), {true, 1000, 0700}, ""},
    };
    for (const PlaceCase& c : cases) {
        SocketPlace place = chooseSocketPlace(c.folder, c.facts, 1000, name);
        EXPECT_EQ(place.path, c.path) << c.folder;
        EXPECT_EQ(place.lockPath.empty(), place.path.empty()) << c.folder;
        EXPECT_EQ(*place.why == 0, !place.path.empty()) << c.folder;
    }
}

} // namespace
} // namespace launcher
