#include "library_versions.h"

#include <curl/curl.h>
#include <unicode/uversion.h>

namespace vz::platform {

std::string icuVersion()
{
    UVersionInfo version;
    u_getVersion(version);
    char text[U_MAX_VERSION_STRING_LENGTH] = {};
    u_versionToString(version, text);
    return text;
}

std::string curlVersion()
{
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info && info->version ? info->version : "";
}

} // namespace vz::platform
