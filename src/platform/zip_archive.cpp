#include "zip_archive.h"

#include <memory>

#include <zip.h>

namespace vz::platform {

namespace {

struct SourceFree
{
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

std::string describe(zip_error_t* error)
{
    std::string text = zip_error_strerror(error);
    zip_error_fini(error);
    return text;
}

// The archive's bytes, read back from the memory it was written into.
std::optional<std::string> bytesOf(zip_source_t* source, std::string& error)
{
    if (zip_source_open(source) < 0) {
        error = describe(zip_source_error(source));
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    zip_int64_t n = 0;
    while ((n = zip_source_read(source, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    if (n < 0) {
        error = describe(zip_source_error(source));
    }
    zip_source_close(source);
    return n < 0 ? std::nullopt : std::optional<std::string>(std::move(bytes));
}

// Zip dates hold no time zone, and libzip writes them in local time: shifted by the zone's offset,
// they read as UTC, so the same archive comes out wherever it is made.
std::time_t asUtcFields(std::time_t moment)
{
    std::tm local{};
    localtime_r(&moment, &local);
    return moment - (timegm(&local) - moment);
}

} // namespace

std::optional<std::string> zipArchive(const std::vector<ZipEntry>& entries, std::time_t modified, std::string& error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    // Written into memory and handed back whole, so the caller puts it in place as it puts every
    // other file: through a temporary file beside the target.
    SourcePtr out(zip_source_buffer_create(nullptr, 0, 0, &zipError));
    if (!out) {
        error = describe(&zipError);
        return std::nullopt;
    }
    zip_t* archive = zip_open_from_source(out.get(), ZIP_TRUNCATE, &zipError);
    if (!archive) {
        error = describe(&zipError);
        return std::nullopt;
    }
    // The archive takes the source over; kept, it outlives the closing with the bytes written.
    zip_source_keep(out.get());
    const auto fail = [&] {
        error = zip_strerror(archive);
        zip_discard(archive);
        return std::nullopt;
    };
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
        if (!source) {
            return fail();
        }
        const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, 0);
        if (index < 0) {
            zip_source_free(source);
            return fail();
        }
        const auto at = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(archive, at, entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, entry.stored ? 0 : 9) <
                0 ||
            zip_file_set_mtime(archive, at, asUtcFields(modified), 0) < 0) {
            return fail();
        }
    }
    if (zip_close(archive) < 0) {
        return fail();
    }
    return bytesOf(out.get(), error);
}

} // namespace vz::platform
