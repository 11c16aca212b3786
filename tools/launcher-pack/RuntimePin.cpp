#include "RuntimePin.h"

#include "IniEdit.h"

#include "base/Text.h"
#include "config/IniText.h"
#include "config/RuntimeDownload.h"
#include "config/RuntimeFeed.h"

namespace launcher::pack {

std::optional<RuntimePin> runtimePinRequest(const PackOptions& options) {
    const bool url = options.has("--runtime-download"), sha256 = options.has("--runtime-sha256");
    // A runtime that cannot be checked is never installed, and a checksum
    // alone pins nothing.
    if (url && !sha256) throw UsageError("--runtime-download needs --runtime-sha256 HEX");
    if (sha256 && !url) throw UsageError("--runtime-sha256 needs --runtime-download URL");
    if (options.has("--runtime-size") && !url) {
        throw UsageError("--runtime-size needs --runtime-download URL and --runtime-sha256 HEX");
    }
    if (!url) return std::nullopt;
    return RuntimePin{*options.value("--runtime-download"), *options.value("--runtime-sha256"),
                      options.value("--runtime-size")};
}

std::string withRuntimePin(const std::string& ini, const RuntimePin& pin) {
    // Lines added to UTF-16 text as bytes would break it.
    if (ini.starts_with("\xFF\xFE") || ini.starts_with("\xFE\xFF")) {
        throw PackError("--ini: a UTF-16 file cannot take the runtime download keys; save it as UTF-8");
    }
    std::u16string productName = readIniValue(decodeIniBytes(ini), u"Product Information", u"Product Name");
    RuntimeDownloadCheck check =
        checkRuntimeDownload({fromUtf8(pin.url), fromUtf8(pin.sha256), fromUtf8(pin.size.value_or("")), u""}, productName);
    switch (check.error) {
    case RuntimeDownloadError::None: break;
    case RuntimeDownloadError::UrlNotHttp:
        throw PackError("--runtime-download: " + pin.url + " is not an http or https address");
    case RuntimeDownloadError::UrlClearText:
        throw PackError("--runtime-download: " + pin.url + " is a plain http address; the launcher downloads a "
                        "runtime over https only (plain http only from the loopback address 127.0.0.1 or [::1])");
    case RuntimeDownloadError::MissingChecksum:
    case RuntimeDownloadError::BadChecksum:
        throw PackError("--runtime-sha256: " + pin.sha256 + " is not 64 hexadecimal digits");
    case RuntimeDownloadError::BadSize:
        throw PackError("--runtime-size: " + pin.size.value_or("") + " is not a whole number of bytes greater than 0");
    case RuntimeDownloadError::NoProductFolder:
        throw PackError("--runtime-download: the INI's \"Product Name\" is empty or holds no character a folder name "
                        "can use, so the launcher would have no folder to install the runtime in");
    }
    // Each new key goes to the section's start: the last one set reads first.
    const char section[] = "Java Runtime Environment";
    std::string text = ini;
    // A size left from the vendor's INI belongs to another archive, and the
    // launcher stops a download at it: without --runtime-size, no size.
    text = pin.size ? setIniValue(text, section, toUtf8(kRuntimeDownloadSizeKey), *pin.size)
                    : removeIniValue(text, section, toUtf8(kRuntimeDownloadSizeKey));
    text = setIniValue(text, section, toUtf8(kRuntimeDownloadSha256Key), toUtf8(check.download.sha256));
    text = setIniValue(text, section, toUtf8(kRuntimeDownloadUrlKey), pin.url);
    return text;
}

std::string withoutRuntimePin(std::string_view ini) {
    std::string text(ini);
    for (std::u16string_view key :
         {kRuntimeDownloadUrlKey, kRuntimeDownloadSha256Key, kRuntimeDownloadSizeKey, kRuntimeDownloadModeKey,
          kRuntimeFeedUrlKey, kRuntimeFeedKeyKey, kRuntimeFeedIntervalKey}) {
        text = removeIniValue(text, "Java Runtime Environment", toUtf8(key));
    }
    return text;
}

} // namespace launcher::pack
