// The simulated evaluation board: firmware download, the switch ports, the chip's bus in
// SMBus or SPI framing, and the fault switches that tests set through the environment.
#include "SimChip.h"
#include "SimControl.h"
#include "SimFirmware.h"
#include "Vantreo.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {
enum : int16_t { kRegisterRequest = 0xDE, kPortRequest = 0xDD, kSpiModeRequest = 0xDA };

// Port 1 (read only: board revision), port 2 (LDAC switch), port 3 (Ain1/Ain2 path
// connected, SMBus), low byte then high byte each.
constexpr std::array<uint8_t, 6> kPowerOnPorts{0x01, 0x00, 0x40, 0x00, 0x03, 0x00};
constexpr int kInterfaceBit = 0x04; // port 3: 0 SMBus, 1 SPI
constexpr int kNoChip = -1;

struct Faults {
    int chipAddress = 0x48;   // or kNoChip
    long smbusFailures = 0;   // port 3 writes that fail before one succeeds
    long failAfter = -1;      // transfers that work before all fail; -1 never
    bool firmwareFails = false;
};

// Counts of what the board served, written to the file named by VANTREO_STATS when the
// process ends: for measuring the running program (the soak script reads it).
struct Stats {
    long registerReads = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    void Count()
    {
        if (++registerReads % 2000 == 0) // about every 10 s of polling
            Write();
    }
    ~Stats() { Write(); }
    void Write() const
    {
        const char* path = std::getenv("VANTREO_STATS");
        if (!path || !*path)
            return;
        if (std::FILE* f = std::fopen(path, "w")) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::fprintf(f, "register_reads %ld\nseconds %.3f\n", registerReads, seconds);
            std::fclose(f);
        }
    }
};

struct Board {
    std::mutex lock;
    Stats stats;
    bool started = false;
    Faults faults;
    bool firmwareLoaded = false;
    std::array<uint8_t, 6> ports = kPowerOnPorts;
    bool spiRequested = false;
    long transfers = 0;
    long port3FailuresLeft = 0;
    SimChip chip;
    std::function<double()> timeSource;
    std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();

    double Now() const
    {
        if (timeSource)
            return timeSource();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin).count();
    }
};

Board& TheBoard()
{
    static Board board;
    return board;
}

void Warn(const char* name, const std::string& text, const char* expected)
{
    std::fprintf(stderr, "libVantreo: ignoring %s=%s (expected %s)\n", name, text.c_str(), expected);
}

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    std::string s = v ? v : "";
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.erase(0, 1);
    return s;
}

// A whole number >= 0 from the environment, or fallback when unset or not one.
long EnvCount(const char* name, long fallback)
{
    const std::string s = Env(name);
    if (s.empty())
        return fallback;
    char* end = nullptr;
    const long n = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || n < 0) {
        Warn(name, s, "a whole number >= 0");
        return fallback;
    }
    return n;
}

Faults ReadFaults()
{
    Faults f;
    std::string address = Env("VANTREO_CHIP_ADDRESS");
    for (char& c : address)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (address == "none") {
        f.chipAddress = kNoChip;
    } else if (!address.empty()) {
        std::string digits = address;
        if (digits.rfind("0x", 0) == 0)
            digits.erase(0, 2);
        if (!digits.empty() && digits.back() == 'h')
            digits.pop_back();
        char* end = nullptr;
        const long a = digits.empty() ? 0 : std::strtol(digits.c_str(), &end, 16);
        if (!digits.empty() && *end == '\0' && a >= 0x48 && a <= 0x4B)
            f.chipAddress = static_cast<int>(a);
        else
            Warn("VANTREO_CHIP_ADDRESS", address, "48 to 4B, or none");
    }
    f.smbusFailures = EnvCount("VANTREO_SMBUS_FAILURES", 0);
    f.failAfter = EnvCount("VANTREO_FAIL_AFTER", -1);
    const std::string fw = Env("VANTREO_FIRMWARE_FAIL");
    f.firmwareFails = !fw.empty() && fw != "0";
    return f;
}

SimPins DecodePins(const std::array<uint8_t, 6>& ports)
{
    SimPins p;
    p.diodeClosed = (ports[2] & 0x03) == 0x03;
    p.ledBarDac = (ports[2] >> 2) & 0x03;
    p.ain12FromLedDac = (ports[2] & 0x30) == 0x30;
    p.ldacHeldActive = (ports[2] & 0xC0) == 0x40;
    p.ain12Connected = (ports[4] & 0x03) == 0x03;
    return p;
}

void PowerOnBoard(Board& b)
{
    b.ports = kPowerOnPorts;
    b.spiRequested = false;
    b.chip.SetPins(DecodePins(b.ports));
}

void Reset(Board& b)
{
    b.faults = ReadFaults();
    b.firmwareLoaded = false;
    b.transfers = 0;
    b.port3FailuresLeft = b.faults.smbusFailures;
    b.origin = std::chrono::steady_clock::now();
    b.chip.world = SimWorld{};
    b.chip.PowerOn(b.Now());
    PowerOnBoard(b);
    b.started = true;
}

// Runs f on the board under its lock, after the conversions due by now.
template <class F> auto WithBoard(F f, bool advance = true)
{
    Board& b = TheBoard();
    std::lock_guard guard(b.lock);
    if (!b.started)
        Reset(b);
    else if (advance)
        b.chip.Advance(b.Now());
    return f(b);
}

bool SpiActive(const Board& b) { return (b.ports[4] & kInterfaceBit) && b.spiRequested; }

int16_t RegisterTransfer(Board& b, int32_t value, int32_t index, int16_t direction, int16_t length,
                         uint8_t* buffer)
{
    const bool read = direction == 1;
    if (value < 0x100 || value > 0x2FF || (read ? length != 1 || !buffer : direction != 0 || length != 0))
        return SimBadRequest;
    const int reg = index & 0xFF;
    const auto data = static_cast<uint8_t>((index >> 8) & 0xFF);
    if (value >= 0x200) {
        if (!SpiActive(b))
            return SimBusError;
    } else {
        if (b.ports[4] & kInterfaceBit)
            return SimBusError; // the chip's pins are switched to the SPI lines
        if ((value & 0xFF) != b.faults.chipAddress) {
            if (read)
                buffer[0] = 0xFF; // nobody answers: the bus idles high
            return SimOk;
        }
        if (b.chip.SpiLocked())
            return SimBusError; // the chip no longer listens to SMBus
    }
    if (b.faults.chipAddress == kNoChip) {
        if (read)
            buffer[0] = 0xFF;
        return SimOk;
    }
    if (read)
        buffer[0] = b.chip.Read(reg);
    else
        b.chip.Write(reg, data);
    return SimOk;
}

int16_t PortTransfer(Board& b, int32_t value, int32_t index, int16_t direction, int16_t length,
                     uint8_t* buffer)
{
    if (direction == 1) {
        if (length != 6 || !buffer)
            return SimBadRequest;
        std::copy(b.ports.begin(), b.ports.end(), buffer);
        return SimOk;
    }
    // Port 1 is read only.
    if (direction != 0 || length != 0 || (value != 2 && value != 3) || index < 0 || index > 0xFFFF)
        return SimBadRequest;
    if (value == 3 && b.port3FailuresLeft > 0) {
        --b.port3FailuresLeft;
        return SimInjectedFailure;
    }
    b.ports[2 * value - 2] = static_cast<uint8_t>(index & 0xFF);
    b.ports[2 * value - 1] = static_cast<uint8_t>(index >> 8);
    if (!(b.ports[4] & kInterfaceBit))
        b.spiRequested = false; // the board is back on SMBus
    b.chip.SetPins(DecodePins(b.ports));
    return SimOk;
}

int16_t SpiModeTransfer(Board& b, int16_t direction, int16_t length, uint8_t* buffer)
{
    if (direction != 1 || length != 1 || !buffer)
        return SimBadRequest;
    if (!(b.ports[4] & kInterfaceBit))
        return SimBusError; // the interface switch is still on SMBus
    b.spiRequested = true;
    if (b.faults.chipAddress != kNoChip)
        b.chip.LockSpi(); // the first SPI clocks lock the chip into SPI
    buffer[0] = 0x01;
    return SimOk;
}
} // namespace

extern "C" {
int16_t LoadFirmWare(const char* path)
{
    return WithBoard([path](Board& b) -> int16_t {
        b.firmwareLoaded = false; // a download restarts the board's controller
        if (b.faults.firmwareFails)
            return SimFwForcedFailure;
        const int16_t status = CheckFirmwareFile(path);
        if (status != SimOk)
            return status;
        PowerOnBoard(b);
        b.firmwareLoaded = true;
        return SimOk;
    });
}

int16_t VendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                        int16_t length, uint8_t* buffer)
{
    return WithBoard([&](Board& b) -> int16_t {
        if (b.faults.failAfter >= 0 && b.transfers >= b.faults.failAfter)
            return SimInjectedFailure;
        ++b.transfers;
        if (!b.firmwareLoaded)
            return SimNoFirmware;
        switch (request) {
        case kRegisterRequest:
            if (direction == 1)
                b.stats.Count();
            return RegisterTransfer(b, value, index, direction, length, buffer);
        case kPortRequest:
            return PortTransfer(b, value, index, direction, length, buffer);
        case kSpiModeRequest:
            return SpiModeTransfer(b, direction, length, buffer);
        default:
            return SimBadRequest;
        }
    });
}
}

// ---- Test controls ---------------------------------------------------------------------

void SimReset()
{
    WithBoard([](Board& b) { Reset(b); }, false);
}

void SimSetTimeSource(std::function<double()> secondsSinceStart)
{
    WithBoard([&](Board& b) {
        b.timeSource = std::move(secondsSinceStart);
        b.origin = std::chrono::steady_clock::now();
        b.chip.Advance(b.Now());
    }, false); // the old source may be gone already
}

uint8_t SimPeekRegister(int reg)
{
    return WithBoard([reg](Board& b) { return b.chip.Peek(reg); });
}

void SimPokeRegister(int reg, uint8_t value)
{
    WithBoard([=](Board& b) { b.chip.Poke(reg, value); });
}

const uint8_t* SimPortImage()
{
    return WithBoard([](Board& b) { return b.ports.data(); });
}

double SimDacVolts(int dac)
{
    return WithBoard([dac](Board& b) { return b.chip.DacVolts(dac); });
}

void SimSetTerminalVolts(double ain1, double ain2)
{
    WithBoard([=](Board& b) { b.chip.world.terminal = {ain1, ain2}; });
}

void SimSetTemperature(double celsius)
{
    WithBoard([=](Board& b) { b.chip.world.temperature = celsius; });
}

void SimSetVdd(double volts)
{
    WithBoard([=](Board& b) { b.chip.world.vdd = volts; });
}

void SimSetLight(double volts)
{
    WithBoard([=](Board& b) { b.chip.world.light = volts; });
}
