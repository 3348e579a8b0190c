#ifndef INSTRUMENT_H
#define INSTRUMENT_H

#include <random>
#include <string>

// The sound velocimeter's own state and its answers to commands, apart from any line.
struct instrument_settings {
    int baud = 9600;
    int rate = 8;            // records per second, 1..30
    bool temperature = true; // records carry the temperature field
};

class instrument {
public:
    instrument(instrument_settings start, double salinity, double depth, double temperature,
               unsigned long long seed);

    // Takes one command line (without its CR) and returns the reply line, CR LF included, or
    // an empty string for a blank line. A reply never holds "$".
    std::string command(const std::string &line);

    // The next record, "$ vvvv.vvv tt.ttt" CR LF, with a slowly drifting temperature.
    std::string next_record();

    const instrument_settings &settings() const { return now; }
    const instrument_settings &stored() const { return saved; }
    std::mt19937_64 &random() { return rng; }

private:
    instrument_settings now, saved;
    double salinity, depth, start_temperature, temperature;
    bool awaiting_confirm = false;
    std::mt19937_64 rng;
};

#endif
