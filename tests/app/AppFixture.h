#pragma once
// The real main window against the virtual board, each test in its own
// directories, with the error display, the beep and the settings-file
// locations hooked.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UsbFixture.h"
#include "app/UQuorvex.h"

// A wheel turn as the window system reports it: spontaneous, so what the
// widget leaves unhandled goes on to its parent.
void SendWheel(QWidget* widget, int angleDelta, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The main window's shared values at their defaults.
void ResetMainWindowValues();

class AppTest : public UsbTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window, which runs its start sequence.
    TFormMain& Start();
    // With the board plugged in and a settings file for 14 MHz that leaves
    // online detection off, so typing tunes at once; the board's log cleared.
    TFormMain& StartOnline();

    // Into the working directory: the default lines for 14 MHz, some values
    // replaced ("<missing>" drops the line).
    void WriteSettings(const std::map<std::string, std::string>& values = {}, const std::string& before = "");
    // The lines of the file written beside the executable.
    std::vector<std::string> WrittenLines() const;

    // Back to before the first start, for tables of cells each starting
    // afresh: no main window, no board, every shared value at its default.
    void ResetToNothing();

    // The board sound again and found by one detection tick (a replugged one
    // under its new number), detection then off again, as the operator does.
    void HealAndFindBoard();

    static int FrequencyRequests(const VirtualBoard& board);
    // What the board puts out for the frequency the program sent, in Hz.
    static double OutputFor(const VirtualBoard& board, double si570Hz);

    std::string StatusText() const { return Form->StatusBar1->text().toStdString(); }
    std::string EditText() const { return Form->Edit1->text().toStdString(); }
    void SetEditText(const char* text) { Form->Edit1->setText(text); }  // as code does: nothing applied
    void Click(QWidget* button);
    void TypeKeys(const std::string& keys);
    void Wheel(int angleDelta) { SendWheel(Form->Edit1, angleDelta); }

    std::filesystem::path WorkDir;  // read from
    std::filesystem::path ExeDir;   // written to
    std::filesystem::path ConfigDir;  // the user's config folder, for an executable folder not writable
    bool ExeDirWritable = true;
    std::vector<std::string> Errors;
    std::vector<std::string> CloseQuestions;  // errors the close asked about
    bool CloseAnswer = false;  // close without saving
    int Beeps = 0;
    std::shared_ptr<VirtualBoard> Board;
    std::unique_ptr<TFormMain> Form;
};
