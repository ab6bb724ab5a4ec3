#include "mept/BeaconCheck.h"

#include <algorithm>
#include <cmath>

#include "mept/MeptCode.h"
#include "support/NumberText.h"
#include "usb/Si570.h"

std::vector<int> SymbolsSent(const std::string& code)
{
    std::vector<int> sent;
    TMeptTransmission transmission;
    TMeptDrawing drawing;
    transmission.Start(code);
    while (!transmission.PendingCode.empty()) {
        const TMeptTick tick = transmission.Tick(drawing);
        if (tick.Symbol && std::find(sent.begin(), sent.end(), *tick.Symbol) == sent.end())
            sent.push_back(*tick.Symbol);
        if (tick.Stop)
            break;
    }
    return sent;
}

std::string BeaconRefusal(const TBeaconPlan& plan, double fxtalMHz, int speedGrade,
                          const std::function<double(double)>& output)
{
    std::vector<int> checked = SymbolsSent(plan.Code);
    // The off frequency goes out when the beacon stops, whatever the code holds.
    if (std::find(checked.begin(), checked.end(), -1) == checked.end())
        checked.push_back(-1);
    for (const int symbol : checked) {
        const double hz = output(SymbolFrequencyOf(symbol, plan.FrequencyHz, plan.SpacingHz, plan.OffHz));
        std::string why;
        TDividerSetting setting;
        if (!std::isfinite(hz))
            why = "not a finite frequency";
        else if (hz <= 0)
            why = "not a positive frequency";
        else if (!FindDividers(hz / 1e6, fxtalMHz, speedGrade, setting))
            why = std::string("beyond its reach (speed grade ") + static_cast<char>('A' + std::clamp(speedGrade, 0, 2)) +
                  ")";
        if (why.empty())
            continue;
        const std::string what =
            symbol < 0 ? std::string("the off frequency") : std::string("symbol ") + "0123456789ABCDEF"[symbol];
        return "Beacon refused, nothing sent: " + what + " gives " + FormatGeneral(hz) + " Hz at the Si570, " + why;
    }
    return "";
}
