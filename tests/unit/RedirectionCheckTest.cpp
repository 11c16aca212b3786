// Which output paths a service refuses: the decision over the facts of each
// part of the path, and the parts an absolute path is made of.

#include "base/Platform.h"
#include "jvm/RedirectionCheck.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// Shorthands for one part's facts.
PathPartFacts folder(const char16_t* path) { return {path, true, true}; }
PathPartFacts file(const char16_t* path) { return {path, true, false}; }
PathPartFacts missing(const char16_t* path) { return {path, false, false}; }
PathPartFacts with(PathPartFacts facts, bool PathPartFacts::*flag) {
    facts.*flag = true;
    return facts;
}

struct RedirectCase {
    const char* name;
    std::vector<PathPartFacts> parts;
    std::u16string refusedAt; // empty: allowed
};

TEST(ServiceRedirectTest, RefusedAtTheFirstPartOthersCanTurn) {
    using F = PathPartFacts;
    const PathPartFacts root = folder(u"/");
    // /tmp: others may add entries, but the sticky bit keeps them from
    // replacing those of others.
    const PathPartFacts tmp = with(folder(u"/tmp"), &F::othersMayAdd);
    const RedirectCase cases[] = {
        {"every part the service's own", {root, folder(u"/srv"), file(u"/srv/out.log")}, u""},
        {"the file is made in a folder only the service writes to", {root, folder(u"/srv"), missing(u"/srv/out.log")}, u""},
        {"an existing folder in a sticky folder", {root, tmp, folder(u"/tmp/app"), missing(u"/tmp/app/out.log")}, u""},
        {"the file itself is a link", {root, folder(u"/srv"), with(file(u"/srv/out.log"), &F::link)}, u"/srv/out.log"},
        {"a folder on the way is a link (a junction)",
         {root, with(folder(u"/srv"), &F::link), file(u"/srv/out.log")}, u"/srv"},
        {"a folder of another user", {root, with(folder(u"/home/ann"), &F::foreignOwner), missing(u"/home/ann/x")},
         u"/home/ann"},
        {"a folder others may rename things in", {root, with(folder(u"/shared"), &F::othersMayReplace), file(u"/shared/o")},
         u"/shared"},
        {"the file has other names", {root, folder(u"/srv"), with(file(u"/srv/out.log"), &F::hardLinked)},
         u"/srv/out.log"},
        {"a file others may write", {root, folder(u"/srv"), with(file(u"/srv/out.log"), &F::othersMayReplace)},
         u"/srv/out.log"},
        {"others may create the missing rest first", {root, tmp, missing(u"/tmp/app")}, u"/tmp"},
        {"the missing file in a folder others may add to", {root, tmp, missing(u"/tmp/out.log")}, u"/tmp"},
        {"a link is refused before what lies beyond it is looked at",
         {root, with(with(folder(u"/a"), &F::link), &F::foreignOwner), missing(u"/a/b")}, u"/a"},
    };
    for (const RedirectCase& c : cases) {
        std::optional<RedirectRefusal> refusal = refuseServiceRedirect(c.parts);
        EXPECT_EQ(refusal ? refusal->part : u"", c.refusedAt) << c.name;
        if (refusal) {
            EXPECT_FALSE(refusal->reason.empty()) << c.name;
        }
    }
}

TEST(ServiceRedirectTest, PartsFromTheRootDown) {
    if (kWindows) {
        EXPECT_EQ(redirectPathParts(u"C:\\logs\\.\\app\\\\out.txt"),
                  (TextList{u"C:\\", u"C:\\logs", u"C:\\logs\\app", u"C:\\logs\\app\\out.txt"}));
        EXPECT_EQ(redirectPathParts(u"\\\\server\\share\\out.txt"),
                  (TextList{u"\\\\server\\share\\", u"\\\\server\\share\\out.txt"}));
        EXPECT_EQ(redirectPathParts(u"logs\\out.txt"), TextList{});
    } else {
        EXPECT_EQ(redirectPathParts(u"/var//log/./app/out.log"),
                  (TextList{u"/", u"/var", u"/var/log", u"/var/log/app", u"/var/log/app/out.log"}));
        // ".." after a link leads to the link target's parent: not judged.
        EXPECT_EQ(redirectPathParts(u"/var/log/../tmp/out.log"), TextList{});
        EXPECT_EQ(redirectPathParts(u"logs/out.log"), TextList{});
    }
}

} // namespace
} // namespace launcher
