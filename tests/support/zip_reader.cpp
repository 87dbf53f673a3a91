#include "support/zip_reader.h"

#include <zip.h>

namespace vz::test {

std::optional<std::vector<ZipFile>> readZip(const std::string& bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (source) {
            zip_source_free(source);
        }
        return std::nullopt;
    }
    std::vector<ZipFile> files;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        const auto at = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        zip_stat_init(&stat);
        zip_file_t* file = nullptr;
        if (zip_stat_index(archive, at, 0, &stat) < 0 || !(file = zip_fopen_index(archive, at, 0))) {
            zip_discard(archive);
            return std::nullopt;
        }
        ZipFile read{stat.name, std::string(stat.size, '\0'), stat.comp_method == ZIP_CM_STORE};
        const zip_int64_t n = zip_fread(file, read.bytes.data(), stat.size);
        zip_fclose(file);
        read.extraFields = zip_file_extra_fields_count(archive, at, ZIP_FL_LOCAL);
        if (n != static_cast<zip_int64_t>(stat.size)) {
            zip_discard(archive);
            return std::nullopt;
        }
        files.push_back(std::move(read));
    }
    zip_discard(archive);
    return files;
}

std::string fileIn(const std::vector<ZipFile>& files, const std::string& name)
{
    for (const ZipFile& file : files) {
        if (file.name == name) {
            return file.bytes;
        }
    }
    return "";
}

} // namespace vz::test
