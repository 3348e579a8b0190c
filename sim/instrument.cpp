#include "instrument.h"
#include "mackenzie.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
bool whole_number(const std::string &text, int *value) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    *value = std::atoi(text.c_str());
    return true;
}

bool starts_with(const std::string &text, const std::string &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string printable(const std::string &text) {
    std::string out;
    for (char c : text)
        out += (c >= 0x20 && c < 0x7f && c != '$') ? c : '?';
    return out.size() > 40 ? out.substr(0, 40) + "..." : out;
}
} // namespace

instrument::instrument(instrument_settings start, double salinity, double depth, double temperature,
                       unsigned long long seed)
    : now(start), saved(start), salinity(salinity), depth(depth), start_temperature(temperature),
      temperature(temperature), rng(seed) {}

std::string instrument::command(const std::string &line) {
    if (line.empty())
        return std::string();
    if (awaiting_confirm) {
        awaiting_confirm = false;
        if (line == "y") {
            saved = now;
            return "OK configuration stored\r\n";
        }
        return "Store cancelled\r\n";
    }
    int value = 0;
    if (starts_with(line, "uart bps ")) {
        static const int rates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
        if (whole_number(line.substr(9), &value) &&
            std::find(std::begin(rates), std::end(rates), value) != std::end(rates)) {
            now.baud = value;
            return "OK uart bps " + std::to_string(value) + "\r\n";
        }
        return "ERR uart bps must be 2400, 4800, 9600, 19200, 38400, 57600 or 115200\r\n";
    }
    if (starts_with(line, "data rate ")) {
        if (whole_number(line.substr(10), &value) && value >= 1 && value <= 30) {
            now.rate = value;
            return "OK data rate " + std::to_string(value) + "\r\n";
        }
        return "ERR data rate must be 1 to 30\r\n";
    }
    if (line == "water temp enable" || line == "water temp disable") {
        now.temperature = line == "water temp enable";
        return "OK " + line + "\r\n";
    }
    if (line == "done") {
        awaiting_confirm = true;
        return "Store configuration? (y/n)\r\n";
    }
    return "ERR unknown command: " + printable(line) + "\r\n";
}

std::string instrument::next_record() {
    std::normal_distribution<double> step(0.0, 0.002);
    // A slow random walk that is pulled back towards the start temperature.
    temperature += step(rng) - 0.0005 * (temperature - start_temperature);
    temperature = std::clamp(temperature, 0.0, 35.0);
    std::normal_distribution<double> jitter(0.0, 0.01);
    const double velocity = mackenzie_velocity(temperature, salinity, depth) + jitter(rng);
    char text[64];
    if (now.temperature)
        std::snprintf(text, sizeof text, "$ %.3f %.3f\r\n", velocity, temperature);
    else
        std::snprintf(text, sizeof text, "$ %.3f\r\n", velocity);
    return text;
}
