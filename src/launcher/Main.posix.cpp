// Entry point of the Linux launcher.

#include "launcher/Launcher.h"
#include "launcher/ProcessSetup.h"

int main() {
    launcher::Launcher app;
    launcher::Launcher::setCurrent(&app);
    launcher::useSystemDefaultLocale();
    int exitCode = app.init() ? app.run() : -1;
    launcher::Launcher::setCurrent(nullptr);
    return exitCode;
}
