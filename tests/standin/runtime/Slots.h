#pragma once
// Every slot of the JNI function tables that the stand-in does not
// implement stops the process with the slot's name: a launcher that calls
// something unexpected is told so at once, instead of jumping into nothing.

#include "runtime/Runtime.h"
#include "JniSlots.h" // generated from jni.h by the build

#include <cstring>
#include <string>
#include <utility>

namespace standin {

enum class SlotTable { Native, Invoke };

#define STANDIN_COUNT(slot) +1
inline constexpr size_t kNativeSlotCount = 0 STANDIN_NATIVE_SLOTS(STANDIN_COUNT);
inline constexpr size_t kInvokeSlotCount = 0 STANDIN_INVOKE_SLOTS(STANDIN_COUNT);
#undef STANDIN_COUNT

const char* slotName(SlotTable table, size_t index);

template <SlotTable Table, size_t Index>
[[noreturn]] void JNICALL unimplementedSlot() {
    fatal(std::string(Table == SlotTable::Native ? "JNIEnv" : "JavaVM") + " function " + std::to_string(Index) + " (" +
          slotName(Table, Index) + ") is not implemented");
}

// A table whose every slot is unimplementedSlot; callers then fill in what
// they implement.
template <typename Interface, SlotTable Table, size_t... Index>
Interface unimplementedInterface(std::index_sequence<Index...>) {
    void* slots[] = {reinterpret_cast<void*>(&unimplementedSlot<Table, Index>)...};
    static_assert(sizeof slots == sizeof(Interface));
    Interface table;
    std::memcpy(&table, slots, sizeof table);
    return table;
}

} // namespace standin
