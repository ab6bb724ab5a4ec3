#pragma once
// What the operator left in the WSPR beacon window's fields, as typed, kept
// in the settings file: the window shows it when it is made and keeps it up
// to date, and quorvexctl's beacon takes it for the options it is not given.
// No Qt here.
#include <istream>
#include <string>

struct TWsprFields {
    std::string Call;
    std::string Locator;
    std::string Power = "37";  // dBm
    std::string Dial = "14.0956 (20 m)";  // MHz, as the band list shows it or as typed
    std::string Audio = "1500";  // Hz
    bool EveryNth = false;  // every Nth slot rather than a share of them
    std::string Share = "20";  // percent
    std::string Every = "5";
    std::string Off = "200";  // MHz
};
inline TWsprFields WsprFields;

// The customary WSPR dial frequencies: MHz, and the band.
struct TWsprBand {
    const char* Mhz;
    const char* Band;  // "20 m"
};
inline constexpr TWsprBand WsprBands[] = {
    {"0.136", "2200 m"}, {"0.4742", "630 m"},  {"1.8366", "160 m"}, {"3.5686", "80 m"},   {"5.2872", "60 m"},
    {"7.0386", "40 m"},  {"10.1387", "30 m"},  {"14.0956", "20 m"}, {"18.1046", "17 m"},  {"21.0946", "15 m"},
    {"24.9246", "12 m"}, {"28.1246", "10 m"},  {"50.293", "6 m"},   {"70.091", "4 m"},    {"144.489", "2 m"},
};

// The fields' keys of the settings file (WSPR_Call= ... WSPR_Off=), read on
// from where the reading of the older keys stopped, since they follow every
// one of them. A key the file lacks leaves its field as it was.
void ReadWsprFields(std::istream& file, TWsprFields& fields);

// The dial frequency of a Dial field, Hz: the number before any blank, in MHz
// ("14.0956 (20 m)", a typed "14.0961"). WsprError when there is none.
double WsprDialHz(const std::string& dial);
