#include "runtime/Slots.h"

#include <cstddef>
#include <iterator>

namespace standin {

namespace {

#define STANDIN_NAME(slot) #slot,
constexpr const char* kNativeNames[] = {STANDIN_NATIVE_SLOTS(STANDIN_NAME)};
constexpr const char* kInvokeNames[] = {STANDIN_INVOKE_SLOTS(STANDIN_NAME)};
#undef STANDIN_NAME

// The names were read from jni.h's text; the compiler confirms that each
// sits at its own index of the real structure.
#define STANDIN_NATIVE_OFFSET(slot) offsetof(JNINativeInterface_, slot),
#define STANDIN_INVOKE_OFFSET(slot) offsetof(JNIInvokeInterface_, slot),
constexpr size_t kNativeOffsets[] = {STANDIN_NATIVE_SLOTS(STANDIN_NATIVE_OFFSET)};
constexpr size_t kInvokeOffsets[] = {STANDIN_INVOKE_SLOTS(STANDIN_INVOKE_OFFSET)};
#undef STANDIN_NATIVE_OFFSET
#undef STANDIN_INVOKE_OFFSET

template <size_t N>
constexpr bool inTableOrder(const size_t (&offsets)[N], size_t tableSize) {
    for (size_t i = 0; i < N; ++i) {
        if (offsets[i] != i * sizeof(void*)) return false;
    }
    return N * sizeof(void*) == tableSize;
}
static_assert(inTableOrder(kNativeOffsets, sizeof(JNINativeInterface_)));
static_assert(inTableOrder(kInvokeOffsets, sizeof(JNIInvokeInterface_)));
static_assert(std::size(kNativeNames) == kNativeSlotCount && std::size(kInvokeNames) == kInvokeSlotCount);

} // namespace

const char* slotName(SlotTable table, size_t index) {
    return table == SlotTable::Native ? kNativeNames[index] : kInvokeNames[index];
}

} // namespace standin
