// temp_folder.h - a folder of a test's own, made fresh under a unique name
// and removed again with everything in it when its owner goes.
#ifndef KX418_SUPPORT_TEMP_FOLDER_H
#define KX418_SUPPORT_TEMP_FOLDER_H

#include <filesystem>
#include <string>
#include <string_view>

namespace support {

class Temp_Folder {
public:
    // Makes "<prefix>-<six random letters or digits>" in `parent` (the
    // system's temporary folder unless told), readable and writable by
    // this user only, as mkdtemp makes it. Throws std::runtime_error when
    // it cannot.
    explicit Temp_Folder(std::string_view prefix = "kx418-test",
                         const std::filesystem::path& parent = {});
    ~Temp_Folder();
    Temp_Folder(const Temp_Folder&) = delete;
    Temp_Folder& operator=(const Temp_Folder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string String() const { return path_.string(); }
    // A path inside the folder.
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace support

#endif  // KX418_SUPPORT_TEMP_FOLDER_H
