#include "support/UUtils.h"

#include "support/Errors.h"
#include "support/NumberText.h"

#include <array>
#include <filesystem>

void FilterKey(const void* /*Sender*/, char16_t& Key, uint8_t Class)
{
    static constexpr std::array<std::u16string_view, 5> Sets{
        u"0123456789abcdefABCDEF", u"0123456789", u"0123456789.", u"0123456789.-", u"0123456789.-eE"};
    if (Class >= Sets.size() || Key == 8 || Key == 13)
        return;
    if (Sets[Class].find(Key) == std::u16string_view::npos)
        Key = 0;
}

bool FileReadable(const std::string& name)
{
    if (name.empty())
        return false;
    std::error_code ec;
    // A directory opens as a stream but fails at the first read.
    if (std::filesystem::is_directory(name, ec))
        return false;
    return std::ifstream(name).is_open();
}

bool OpenTextForReading(std::ifstream& file, const std::string& name)
{
    if (!FileReadable(name))
        return false;
    file.close();
    file.clear();
    // Binary, so that CR LF and LF lines read alike on every platform.
    file.open(name, std::ios::binary);
    return file.is_open();
}

bool ReadStringAfterKey(std::istream& file, std::string_view key, std::string& value)
{
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t pos = line.find(key);
        if (pos != std::string::npos) {
            value = line.substr(pos + key.size());
            return true;
        }
    }
    if (file.bad())
        throw FileError("Error reading the settings file");
    return false;
}

bool ReadIntegerAfterKey(std::istream& file, std::string_view key, int32_t& value)
{
    std::string text;
    return ReadStringAfterKey(file, key, text) && TryStrToIntRuntime(text, value);
}

bool ReadFloatAfterKey(std::istream& file, std::string_view key, double& value)
{
    std::string text;
    return ReadStringAfterKey(file, key, text) && TryParseFloat(text, value);
}
