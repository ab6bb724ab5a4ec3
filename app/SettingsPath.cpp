#include "app/SettingsPath.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <unistd.h>

#include <filesystem>

namespace {

constexpr const char* SettingsFileName = "Quorvex.ini";

std::string ExecutableDir()
{
    if (ExecutableDirHook)
        return ExecutableDirHook();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath().toStdString();
    // quorvexctl runs without an application object.
    std::error_code failed;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", failed);
    return failed ? std::string() : exe.parent_path().string();
}

bool DirWritable(const std::string& dir)
{
    return DirWritableHook ? DirWritableHook(dir) : ::access(dir.c_str(), W_OK) == 0;
}

std::string ConfigDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString();
}

}  // namespace

std::string SettingsReadPath()
{
    // The bare name resolves against the working directory.
    const std::string working = WorkingDirHook
                                    ? (std::filesystem::path(WorkingDirHook()) / SettingsFileName).string()
                                    : std::string(SettingsFileName);
    if (std::filesystem::exists(working) || DirWritable(ExecutableDir()))
        return working;
    return (std::filesystem::path(ConfigDir()) / SettingsFileName).string();
}

std::string SettingsWritePath()
{
    std::string dir = ExecutableDir();
    if (!DirWritable(dir)) {
        dir = ConfigDir();
        std::error_code ignored;  // a folder that cannot be made shows when the file cannot be created
        std::filesystem::create_directories(dir, ignored);
    }
    return (std::filesystem::path(dir) / SettingsFileName).string();
}

