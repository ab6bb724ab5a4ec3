#pragma once
// What quorvexctl prints besides plain lines: JSON for scripts, and a
// progress bar on a terminal.
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "cli/Ctl.h"

// A flat JSON object; strings are escaped, numbers written in full precision.
class TJsonObject {
public:
    using TValue = std::variant<std::string, double, int>;
    TJsonObject(std::initializer_list<std::pair<const char*, TValue>> members);
    std::string Text() const;

private:
    std::vector<std::pair<const char*, TValue>> members_;
};

class TJsonList {
public:
    void Add(const TJsonObject& object) { items_.push_back(object.Text()); }
    std::string Text() const;

private:
    std::vector<std::string> items_;
};

// What quorvexctl says on standard error after "quorvexctl: ", or with
// --json as {"error": text, "status": status} (a warning: {"warning": text}).
std::string ErrorLine(const std::string& text, int status, bool json);
std::string WarningLine(const std::string& text, bool json);

// "Flashing [#####     ] 12/64" redrawn in place on standard error, only
// when it is a terminal; a script's log stays clean.
class TTextProgress {
public:
    TTextProgress(TCtlEnvironment& env, std::string what, int steps);
    ~TTextProgress();
    TTextProgress(const TTextProgress&) = delete;
    TTextProgress& operator=(const TTextProgress&) = delete;

    void Step(int done);
    void Say(std::string what);
    void Finish();

private:
    static constexpr int BarWidth = 30;
    int Filled(int done) const;
    void Draw();
    TCtlEnvironment& env_;
    std::string what_;
    int steps_;
    int done_ = 0;
    bool open_ = false;
};
