#include "ui/RuntimePick.h"
#include "base/Format.h"
#include "base/Messages.h"

namespace launcher {

std::u16string pickedRuntimeRejection(std::u16string_view jvmPath, const LibraryImage& image, LibraryWidth launcher,
                                      bool hasPair) {
    const ImageUse use = imageUse(image, launcher);
    if (use == ImageUse::Loads || (use == ImageUse::Pair && hasPair)) return {};
    // The 32-bit launcher's own message for the one wrong pick it has always
    // turned away; every other machine is named by the reason.
    if (!isForeignImage(image) && image.width == LibraryWidth::X64 && launcher == LibraryWidth::X86) {
        return formatMessage(loadMessage(MessageId::RuntimeTooWide), {jvmPath});
    }
    return formatMessage(loadMessage(MessageId::RuntimeWrongMachine), {jvmPath, imageRejection(image, launcher)});
}

} // namespace launcher
