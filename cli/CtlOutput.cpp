#include "cli/CtlOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "support/NumberText.h"

namespace {

std::string Quoted(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string ValueText(const TJsonObject::TValue& v)
{
    if (const auto* s = std::get_if<std::string>(&v))
        return Quoted(*s);
    if (const auto* i = std::get_if<int>(&v))
        return std::to_string(*i);
    const double d = std::get<double>(v);
    return std::isfinite(d) ? FormatGeneral(d) : "null";
}

}  // namespace

TJsonObject::TJsonObject(std::initializer_list<std::pair<const char*, TValue>> members) : members_(members) {}

std::string TJsonObject::Text() const
{
    std::string out = "{";
    for (const auto& [name, value] : members_) {
        if (out.size() > 1)
            out += ", ";
        out += Quoted(name) + ": " + ValueText(value);
    }
    return out + "}";
}

std::string TJsonList::Text() const
{
    std::string out = "[";
    for (const std::string& item : items_) {
        if (out.size() > 1)
            out += ", ";
        out += item;
    }
    return out + "]";
}

std::string ErrorLine(const std::string& text, int status, bool json)
{
    return json ? TJsonObject{{"error", text}, {"status", status}}.Text() : "quorvexctl: " + text;
}

std::string WarningLine(const std::string& text, bool json)
{
    return json ? TJsonObject{{"warning", text}}.Text() : "quorvexctl: " + text;
}

TTextProgress::TTextProgress(TCtlEnvironment& env, std::string what, int steps)
    : env_(env), what_(std::move(what)), steps_(steps > 0 ? steps : 1)
{
    Draw();
}

TTextProgress::~TTextProgress()
{
    Finish();
}

void TTextProgress::Step(int done)
{
    // Drawn when the bar grows or ends, not for every transfer.
    const bool changed = Filled(done) != Filled(done_) || (done >= steps_ && done_ < steps_);
    done_ = done;
    if (changed)
        Draw();
}

void TTextProgress::Say(std::string what)
{
    if (what == what_)
        return;
    what_ = std::move(what);
    Draw();
}

int TTextProgress::Filled(int done) const
{
    return BarWidth * std::clamp(done, 0, steps_) / steps_;
}

void TTextProgress::Finish()
{
    if (open_)
        env_.Err << "\n" << std::flush;
    open_ = false;
}

void TTextProgress::Draw()
{
    if (!env_.ErrIsTerminal)
        return;
    const int filled = Filled(done_);
    env_.Err << "\r\033[K" << what_ << " [" << std::string(static_cast<size_t>(filled), '#')
             << std::string(static_cast<size_t>(BarWidth - filled), ' ') << "] " << done_ << "/" << steps_
             << std::flush;
    open_ = true;
}
