#include "AppIdentity.h"

#include "CodePage.h"
#include "base/Text.h"
#include "config/AppUserModelId.h"

namespace launcher::pack {

namespace {

std::u16string lettersAndDigits(std::string_view text) {
    std::u16string kept;
    for (char16_t c : fromUtf8(text)) {
        bool ascii = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        // Blanks beyond ASCII are refused by the identity's own rule.
        if (ascii || (c >= 0xA0 && isAppUserModelId(std::u16string(1, c)))) kept += c;
    }
    return kept;
}

} // namespace

std::string defaultAppId(std::string_view vendor, std::string_view name) {
    std::u16string id = lettersAndDigits(vendor), product = lettersAndDigits(name);
    if (!id.empty() && !product.empty()) id += u'.';
    return toUtf8(id + product);
}

std::optional<std::string> appIdRequest(const PackOptions& options, const Branding& branding, const InstallerPackage* package) {
    std::optional<std::string> id = options.value("--app-id");
    if (!id && !package) return std::nullopt;
    const std::string option = id ? "--app-id" : "the App User Model ID made of --vendor and --name";
    if (!id) id = defaultAppId(branding.vendor, branding.name);
    if (toUtf8(fromUtf8(*id)) != *id) throw PackError(option + ": not UTF-8 text");
    if (!isAppUserModelId(fromUtf8(*id))) {
        throw PackError(option + ": \"" + *id + "\" is not an identity Windows accepts: it has 1 to " +
                        std::to_string(kAppUserModelIdLimit) + " characters and no spaces" +
                        (options.has("--app-id") ? "" : "; give one with --app-id"));
    }
    if (package) {
        try {
            checkCodePageText(*id, "the App User Model ID", package->codePage);
        } catch (const UnheldTextError& e) {
            throw UnheldTextError(option + ": " + e.what());
        }
    }
    return id;
}

} // namespace launcher::pack
