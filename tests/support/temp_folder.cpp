// temp_folder.cpp - a fresh folder, removed with its owner.
#include "temp_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace support {

Temp_Folder::Temp_Folder(std::string_view prefix, const std::filesystem::path& parent)
{
    namespace fs = std::filesystem;
    static constexpr std::string_view Letters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::mt19937_64 random{std::random_device{}()};
    const fs::path where = parent.empty() ? fs::temp_directory_path() : parent;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(prefix);
        name += '-';
        for (int i = 0; i < 6; ++i) name += Letters[random() % Letters.size()];
        std::error_code error;
        // create_directory makes it or finds it there already: only a new
        // one is ours.
        if (fs::create_directory(where / name, error)) {
            path_ = where / name;
            fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace, error);
            return;
        }
        if (error)
            throw std::runtime_error("cannot make a folder in " + where.string() + ": " +
                                     error.message());
    }
    throw std::runtime_error("no unused folder name in " + where.string());
}

Temp_Folder::~Temp_Folder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace support
