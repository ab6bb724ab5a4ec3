#pragma once
// The self-flasher against a virtual board with 8 KiB of flash whose boot
// section below 0x1000 its firmware refuses to rewrite; file dialogs
// answered, no real waiting.
#include <QFileDialog>
#include <QListWidget>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "flash/UFlash.h"
#include "memory/UIntelHex.h"
#include "support/FileDialogs.h"

inline std::vector<uint8_t> Range(int from, int count, uint8_t (*byte)(int address))
{
    std::vector<uint8_t> out(static_cast<size_t>(from + count), 0xFF);
    for (int a = from; a < from + count; ++a)
        out[static_cast<size_t>(a)] = byte(a);
    return out;
}

inline uint8_t BootByte(int address)
{
    return static_cast<uint8_t>(address * 7 + 3);
}

inline uint8_t AppByte(int address)
{
    return static_cast<uint8_t>(address ^ 0x5A);
}

class FlashTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        FlashSleepHook = [this](int ms) {
            Pauses.push_back(ms);
            ProgressTexts.push_back(Window->StatusBar1->text().toStdString());
        };
        FileDialogHook = [this](const QFileDialog& dialog) {
            ++DialogRuns;
            DialogFilters = dialog.nameFilters();
            DialogTitle = dialog.windowTitle().toStdString();
            return ChosenFile;
        };
    }

    void TearDown() override
    {
        FlashSleepHook = nullptr;
        FileDialogHook = nullptr;
        FormFlash = nullptr;
        Window.reset();
        AppTest::TearDown();
    }

    // The main window online, the flasher opened from its menu item; the
    // board's boot section holds firmware, the rest is erased.
    TFormFlash& Open(uint16_t flashableStart = 0x1000)
    {
        Board = std::make_shared<VirtualBoard>([&] {
            VirtualBoard::Config c = MakeBoard()->Settings();
            c.FlashableStart = flashableStart;
            return c;
        }());
        SelUsbPortId = static_cast<uint8_t>(Fs.Plug(Board));
        for (int a = 0; a < flashableStart; ++a)
            Board->Flash[static_cast<size_t>(a)] = BootByte(a);
        WriteSettings();
        Start();
        Window = std::make_unique<TFormFlash>();
        FormFlash = Window.get();
        Form->Flash1Click();
        Board->Log.clear();
        return *Window;
    }

    std::string HexFile(const std::string& name, int start, const std::vector<uint8_t>& image)
    {
        const auto path = (WorkDir / name).string();
        WriteIntelHex(path, start, static_cast<int>(image.size()) - start, image);
        return path;
    }

    // The flash requests the board received: "EF", "FE", "EE>1000" (out),
    // "EE<1000/EE" (in, with wValue when it is not 0), "EC 1040", "ED 1040".
    std::vector<std::string> Requests() const
    {
        std::vector<std::string> out;
        char text[32];
        for (const TransferRecord& r : Board->Log) {
            if (r.Request < 0xE0)
                continue;
            if (r.Request == 0xEE && r.RequestType == 0x40)
                std::snprintf(text, sizeof text, "EE>%04X", r.Index);
            else if (r.Request == 0xEE)
                std::snprintf(text, sizeof text, r.Value ? "EE<%04X/%02X" : "EE<%04X", r.Index, r.Value);
            else if (r.Request == 0xEC || r.Request == 0xED)
                std::snprintf(text, sizeof text, "%02X %04X", r.Request, r.Index);
            else
                std::snprintf(text, sizeof text, "%02X", r.Request);
            out.push_back(text);
        }
        return out;
    }

    std::vector<std::string> Listing() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < Window->ListBox1->count(); ++i)
            lines.push_back(Window->ListBox1->item(i)->text().toStdString());
        return lines;
    }

    std::string Status() const { return Window->StatusBar1->text().toStdString(); }

    std::unique_ptr<TFormFlash> Window;
    std::string ChosenFile;
    int DialogRuns = 0;
    QStringList DialogFilters;
    std::string DialogTitle;
    std::vector<int> Pauses;
    std::vector<std::string> ProgressTexts;
};

// The reads of blocks 0 .. blocks-1, as Requests() lists them.
inline std::vector<std::string> Reads(int blocks)
{
    std::vector<std::string> out;
    char text[16];
    for (int k = 0; k < blocks; ++k) {
        std::snprintf(text, sizeof text, "EE<%04X", 64 * k);
        out.push_back(text);
    }
    return out;
}
