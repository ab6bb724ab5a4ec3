#include "memory/EepromBoard.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "memory/UIntelHex.h"
#include "support/NumberText.h"
#include "usb/DeviceList.h"
#include "usb/SynthCommands.h"

namespace {

// context begins with its separator ("; " or ". "); after a text that already
// ends its sentence, it starts a sentence of its own.
std::string Joined(const std::string& text, const std::string& context)
{
    if (text.empty() || text.back() != '.' || context.size() < 3)
        return text + context;
    std::string rest = context.substr(2);
    rest[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
    return text + " " + rest;
}

// Raised errors keep their kind; the text gains what the operator must know.
template <typename Action>
auto WithContext(const std::string& context, Action&& action)
{
    try {
        return action();
    } catch (const DeviceNotFoundError&) {
        throw;
    } catch (const UsbError& e) {
        throw UsbError(Joined(e.what(), context));
    } catch (const FileError& e) {
        throw FileError(Joined(e.what(), context));
    }
}

std::string Hex3(int address)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%03X", static_cast<unsigned>(address));
    return text;
}

}  // namespace

std::optional<TEepromImage> ReadBoardEeprom(const TByteProgress& progress)
{
    const TEepromImage kept = EepromImage;
    std::optional<TEepromImage> board;
    try {
        if (ReadEepromImage(progress))
            board = EepromImage;
    } catch (...) {
        EepromImage = kept;
        throw;
    }
    EepromImage = kept;
    return board;
}

std::string BackupFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string folder;
    if (dataHome && dataHome[0] == '/')
        folder = dataHome;
    else if (home && home[0] == '/')
        folder = std::string(home) + "/.local/share";
    else
        throw FileError("Cannot choose the backups folder: neither XDG_DATA_HOME nor HOME is an absolute path");
    // The program's own folder in it, named as the user's other data folders are.
    for (const QString& name : {QCoreApplication::organizationName(), QCoreApplication::applicationName()})
        if (!name.isEmpty())
            folder += "/" + name.toStdString();
    return folder + "/backups";
}

std::string BackupFileName(const std::string& serial, int usbPortId, const std::string& time)
{
    std::string id = "port" + std::to_string(usbPortId);
    if (!serial.empty() && serial != "NONE") {
        id = "serial-";
        for (const char c : serial)
            id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return "eeprom-" + id + "-" + time + ".hex";
}

std::string VerifyText(const TEepromImage& wanted, const TEepromImage& found)
{
    constexpr int Listed = 8;
    std::vector<int> differing;
    for (size_t a = 0; a < wanted.size(); ++a)
        if (wanted[a] != found[a])
            differing.push_back(static_cast<int>(a));
    if (differing.empty())
        return EepromVerifiedText;
    std::string text = "Verification failed: the board differs at ";
    for (size_t i = 0; i < differing.size() && i < Listed; ++i) {
        if (i)
            text += ", ";
        text += Hex3(differing[i]);
    }
    if (differing.size() > Listed)
        text += " and " + CountText(static_cast<long long>(differing.size() - Listed), "more address",
                                    "more addresses");
    return text;
}

TEepromBackup BackupBoardEeprom(const TByteProgress& progress)
{
    return WithContext("; nothing was written", [&] {
        const std::string folder = BackupFolder();  // before the board is read: a refusal costs no transfer
        const std::optional<TEepromImage> old = ReadBoardEeprom(progress);
        if (!old)
            throw DeviceNotFoundError();
        TEepromBackup backup{folder + "/" + BackupFileName(SelSerial, SelUsbPortId,
                                                          QDateTime::currentDateTime()
                                                              .toString("yyyyMMdd-HHmmss-zzz")
                                                              .toStdString()),
                             *old};
        if (!QDir().mkpath(QString::fromStdString(folder)))
            throw FileError("Cannot create folder " + folder);
        WriteIntelHex(backup.File, 0, static_cast<int>(old->size()), *old);
        return backup;
    });
}

std::string WriteBoardEeprom(const TWriteProgress& progress, const std::vector<TAddressRange>& keepBoard)
{
    constexpr int pass = static_cast<int>(std::tuple_size_v<TEepromImage>);
    const auto passProgress = [&](int before, const char* what) {
        return [&progress, before, what](int bytes) { progress(before + bytes, what); };
    };
    progress(0, "Backing up EEPROM");
    const TEepromBackup backup = BackupBoardEeprom(passProgress(0, "Backing up EEPROM"));

    for (const TAddressRange& r : keepBoard)
        for (int a = std::max(r.First, 0); a <= r.Last && a < static_cast<int>(backup.Image.size()); ++a)
            EepromImage[static_cast<size_t>(a)] = backup.Image[static_cast<size_t>(a)];

    const std::string saved = ". The board's previous EEPROM is in " + backup.File;
    if (!WithContext(saved, [&] { return WriteEepromImage(passProgress(pass, "Writing EEPROM")); }))
        throw DeviceNotFoundError();

    const std::optional<TEepromImage> found =
        WithContext(saved, [&] { return ReadBoardEeprom(passProgress(2 * pass, "Verifying EEPROM")); });
    if (!found)
        throw DeviceNotFoundError();
    progress(EepromWriteSteps, "Verified");
    return VerifyText(EepromImage, *found) + ". Backup: " + backup.File;
}
