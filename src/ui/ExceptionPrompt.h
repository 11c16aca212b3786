#pragma once
// Telling the user that the Java program's main ended with an exception.

#include <string_view>

namespace launcher {

enum class ExceptionAnswer {
    NotShown, // nobody was asked: the trace went to standard error
    Ignore,   // the user chose to go on
    Stop,     // the user chose to end the application
};

// Windows shows the stack trace in the exception dialog, owned by the active
// window: Stop also for Escape, the close box, or a dialog that could not be
// shown. The console variant and the Linux port print the trace on standard
// error and ask nobody.
ExceptionAnswer askAboutException(std::u16string_view stackTrace);

} // namespace launcher
