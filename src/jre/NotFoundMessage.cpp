#include "jre/NotFoundMessage.h"
#include "base/Format.h"
#include "base/Messages.h"

namespace launcher {

namespace {

bool sameParts(const VersionNumber& a, const VersionNumber& b) {
    return compareVersions(a, b) == 0;
}

} // namespace

std::u16string versionRequirementPhrase(const VersionNumber& minimum, const VersionNumber& maximum) {
    const bool hasMinimum = !isUnsetVersion(minimum);
    const bool hasMaximum = !isUnsetVersion(maximum);
    const std::u16string low = formatVersion(minimum);
    const std::u16string high = formatVersion(maximum);
    if (!hasMinimum && !hasMaximum) return loadMessage(MessageId::LatestVersion);
    if (!hasMinimum) return formatMessage(loadMessage(MessageId::MaximumVersion), {high});
    if (!hasMaximum) return formatMessage(loadMessage(MessageId::MinimumVersion), {low});
    if (sameParts(minimum, maximum)) return formatMessage(loadMessage(MessageId::VersionRequired), {low});
    return formatMessage(loadMessage(MessageId::VersionBetween), {low, high});
}

std::u16string runtimeNotFoundMessage(JvmTypeCode type, const VersionNumber& minimum, const VersionNumber& maximum) {
    MessageId format = type == JvmTypeCode::Server ? MessageId::JreNotFoundServer : MessageId::JreNotFound;
    return formatMessage(loadMessage(format), {versionRequirementPhrase(minimum, maximum)});
}

} // namespace launcher
