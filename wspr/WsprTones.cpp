#include "wspr/WsprTones.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/NumberText.h"
#include "wspr/WsprMessage.h"

std::array<double, 4> WsprToneFrequencies(double dialHz, double audioHz)
{
    if (!(std::isfinite(dialHz) && dialHz > 0))
        throw WsprError("Dial frequency " + FormatGeneral(dialHz) + " Hz cannot be used: it must be above 0 Hz.");
    if (!(audioHz >= WsprAudioMinHz && audioHz <= WsprAudioMaxHz))
        throw WsprError("Audio offset " + FormatGeneral(audioHz) + " Hz cannot be used: WSPR transmits 1400 to 1600 Hz "
                        "above the dial frequency.");
    std::array<double, 4> tones;
    for (size_t k = 0; k < tones.size(); ++k)
        tones[k] = dialHz + audioHz + (static_cast<double>(k) - 1.5) * WsprToneSpacingHz;
    return tones;
}

double TWsprTonePlan::MaxErrorHz() const
{
    double worst = 0;
    for (size_t k = 0; k < WantedHz.size(); ++k)
        worst = std::max(worst, std::fabs(MadeHz[k] - WantedHz[k]));
    return worst;
}

TWsprTonePlan PlanWsprTones(const std::array<double, 4>& outputHz, double fxtalMHz, int speedGrade)
{
    const auto [low, high] = std::minmax_element(outputHz.begin(), outputHz.end());
    const auto hz = [](double f) { return FormatGeneral(std::nearbyint(f * 1000) / 1000); };
    const std::string range = hz(*low) + " to " + hz(*high) + " Hz";
    if (!(std::isfinite(fxtalMHz) && fxtalMHz > 0))
        throw WsprError("The WSPR tones cannot be planned: the crystal value " + FormatGeneral(fxtalMHz) +
                        " MHz is unusable.");
    if (!(std::isfinite(*low) && std::isfinite(*high) && *low > 0))
        throw WsprError("The Si570 cannot make the WSPR tones at " + range + ".");
    // The N1 nearest the DCO centre may round differently at the two ends, so both ends propose.
    std::vector<TDividerCandidate> proposals;
    for (double f : {*low, *high}) {
        const TCandidateList list = DividerCandidates(f / 1000000);
        proposals.insert(proposals.end(), list.begin(), list.end());
    }
    const TDividerCandidate* chosen = nullptr;
    double best = 0;
    for (const TDividerCandidate& c : proposals) {
        const int divider = HsDivOfCode(c.HsCode) * (c.N1Minus1 + 1);
        const double lowDco = *low / 1000000 * divider;
        const double highDco = *high / 1000000 * divider;
        if (HsDivOfCode(c.HsCode) < 1 || lowDco < DcoMinMHz || highDco > DcoMaxMHz || !IsDividerAllowed(c, speedGrade))
            continue;
        if (!chosen || lowDco < best) {
            chosen = &c;
            best = lowDco;
        }
    }
    if (!chosen)
        throw WsprError("The Si570 cannot make the WSPR tones at " + range + " with one divider setting.");
    TWsprTonePlan plan{chosen->HsCode, chosen->N1Minus1, outputHz, {}, {}};
    const double divider = HsDivOfCode(chosen->HsCode) * (chosen->N1Minus1 + 1);
    for (size_t k = 0; k < outputHz.size(); ++k) {
        const double rfreq = outputHz[k] / 1000000 * divider / fxtalMHz;
        plan.Registers[k] = PackRegisters({chosen->HsCode, chosen->N1Minus1, rfreq});
        plan.MadeHz[k] = RegisterOutputMHz(plan.Registers[k], fxtalMHz) * 1000000;
    }
    return plan;
}
