#pragma once
// Which of the application's own options the background assembly of the
// ahead-of-time cache gets as well.

#include "base/Text.h"

namespace launcher {

// The application's own options that the assembly needs as well: the
// runtime assembles a configuration only with the options that decide the
// layout of what it holds (collector, heap size, object headers, modules,
// preview features). The list names each option that goes along; every
// other (agents, logs, flight recordings, commands run on errors, options
// files) stays out.
TextList assemblyRelevantOptions(const TextList& applicationOptions);
bool isAssemblyOption(std::u16string_view option);

} // namespace launcher
