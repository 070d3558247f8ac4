#include "SimFirmware.h"

#include "SimControl.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
constexpr uint32_t kCodeMemory = 0x10000; // the board's code memory, bytes
constexpr uintmax_t kLargestFile = 1 << 20; // far more than a firmware image needs

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// One line ":LLAAAATT<data>CC" into its bytes; false when it is no such line.
bool DecodeRecord(const std::string& line, std::string& bytes)
{
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0)
        return false;
    bytes.clear();
    for (size_t i = 1; i < line.size(); i += 2) {
        const int hi = HexDigit(line[i]), lo = HexDigit(line[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return static_cast<size_t>(static_cast<uint8_t>(bytes[0])) + 5 == bytes.size();
}
} // namespace

int16_t CheckFirmwareFile(const char* path)
{
    if (!path || !*path)
        return SimFwUnreadable;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return SimFwUnreadable;
    if (std::filesystem::file_size(path, error) > kLargestFile)
        return SimFwNoData;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return SimFwUnreadable;

    std::string line, bytes;
    uint32_t base = 0;   // from extended address records
    uint32_t dataBytes = 0;
    bool ended = false;
    while (std::getline(file, line)) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.pop_back();
        if (line.empty())
            continue;
        if (ended || !DecodeRecord(line, bytes))
            return SimFwMalformed;
        uint8_t sum = 0;
        for (char b : bytes)
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(b));
        if (sum != 0)
            return SimFwBadChecksum;
        const auto at = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])); };
        const uint32_t length = at(0);
        const uint32_t address = at(1) << 8 | at(2);
        switch (at(3)) {
        case 0x00: // data
            if (base + address + length > kCodeMemory)
                return SimFwNoData;
            dataBytes += length;
            break;
        case 0x01: // end of file
            if (length != 0)
                return SimFwMalformed;
            ended = true;
            break;
        case 0x02: // extended segment address
        case 0x04: // extended linear address
            if (length != 2)
                return SimFwMalformed;
            base = (at(4) << 8 | at(5)) << (at(3) == 0x02 ? 4 : 16);
            break;
        case 0x03: // start segment address
        case 0x05: // start linear address
            if (length != 4)
                return SimFwMalformed;
            break;
        default:
            return SimFwMalformed;
        }
    }
    if (file.bad())
        return SimFwUnreadable;
    if (!ended)
        return SimFwNoEndRecord;
    return dataBytes > 0 ? SimOk : SimFwNoData;
}
