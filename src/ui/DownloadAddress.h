#pragma once
/* Where the runtime-not-found dialog's link and the console launcher's
   message send the user. The resource compiler reads this file as well as
   the C++ compiler, so it holds a plain definition and nothing else. */

#define RUNTIME_DOWNLOAD_ADDRESS "https://adoptium.net/"
