// Making, labelling and trusting the named objects of single-instance
// forwarding on Windows (see InstanceState.win32.h for how the launches
// meet at them).

#include "instance/NamedObjects.win32.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"
#include "instance/ForwardBlock.h"
#include "instance/InstanceNames.h"
#include "instance/ObjectLabel.win32.h"
#include "instance/ObjectSecurity.win32.h"

#include <optional>

namespace launcher {

namespace {

// Every named object is made with an integrity label at this process's
// level: without one, an elevated start's objects read as medium, below
// the next elevated start, which would then not hand over; and the label
// keeps programs of lower integrity from opening them at all, so none can
// hold the lock. The level does not change while the process runs.
SECURITY_ATTRIBUTES* ownLevelLabel() {
    static ObjectLabel label = [] {
        ObjectLabel made(processIntegrity());
        if (!made && trace::on()) trace::line(u"single instance: the shared objects get no integrity label");
        return made;
    }();
    return label.attributes();
}

} // namespace

HANDLE createSharedBlock(const std::u16string& base) {
    return CreateFileMappingW(INVALID_HANDLE_VALUE, ownLevelLabel(), PAGE_READWRITE, 0, kForwardBlockSize,
                              wide(base));
}

HANDLE createHandOverLock(const std::u16string& base) {
    return CreateMutexW(ownLevelLabel(), FALSE, wide(forwardLockName(base)));
}

HANDLE createSharedEvent(const std::u16string& name, bool manualReset) {
    return CreateEventW(ownLevelLabel(), manualReset, FALSE, wide(name));
}

bool trustedObject(HANDLE object, std::u16string_view what) {
    std::optional<ObjectSecurity> security = readObjectSecurity(object);
    if (security && acceptExistingObject(*security, processIntegrity())) return true;
    if (trace::on()) {
        trace::say({u"single instance: the ", what, u" belongs to another user or to a lower integrity level: ",
                    u"this start runs on its own"});
    }
    return false;
}

UniqueHandle sharedObject(HANDLE created, std::u16string_view what) {
    UniqueHandle object(created);
    if (object && GetLastError() == ERROR_ALREADY_EXISTS && !trustedObject(object.get(), what)) {
        object.reset();
        SetLastError(ERROR_ALREADY_EXISTS);
    }
    return object;
}

} // namespace launcher
