// libFuzzer target for the GPS log: the tokenizer, the line parse and loading a track from a
// file. The file is read back through the track's own block reader and compared with a
// plain split of the same bytes, under read limits that the input itself chooses.
#include "fuzzcheck.h"
#include "logic/gpstrack.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// Both forms of the tokenizer cut the same tokens, and token + separator + rest is the source.
void FuzzNextToken(const std::string& input)
{
    const std::size_t setSize = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % 8;
    if (input.size() < 1 + setSize)
        return;
    const std::string delimiters = input.substr(1, setSize);
    std::string source = input.substr(1 + setSize);
    std::string_view view = input;
    view.remove_prefix(1 + setSize);

    while (!source.empty()) {
        const std::string before = source;
        const std::string token = NextToken(source, delimiters);
        const std::string_view tokenView = NextToken(view, delimiters);
        Check(token == tokenView && source == view, "NextToken forms disagree");
        Check(token.find_first_of(delimiters) == std::string::npos, "token holds a separator");
        if (token.size() == before.size()) {
            Check(source.empty(), "rest left without separator");
        } else {
            Check(token.size() + 1 + source.size() == before.size(), "more than one separator dropped");
            Check(before.compare(0, token.size(), token) == 0
                      && before.compare(token.size() + 1, std::string::npos, source) == 0,
                  "token and rest do not rebuild the source");
        }
    }
    Check(NextToken(source, delimiters).empty() && source.empty(), "empty source gave a token");
}

void FuzzTrack(const std::string& input)
{
    // Limits from the first bytes so that block edges, cut lines and caps are all reached.
    CGPSTrack::Limits limits;
    const auto byteAt = [&](std::size_t i) {
        return i < input.size() ? static_cast<unsigned char>(input[i]) : 0u;
    };
    limits.m_nBlockSize = 1 + byteAt(0) % 64;
    if (byteAt(1) & 1)
        limits.m_nMaxLineLength = byteAt(2);
    if (byteAt(1) & 2)
        limits.m_nMaxRecords = static_cast<int>(byteAt(3) % 32);
    if (byteAt(1) & 4)
        limits.m_nMaxBytes = byteAt(4) * 8u;

    const int fd = MemoryFile("gps-log");
    Check(::ftruncate(fd, 0) == 0, "ftruncate");
    Check(::pwrite(fd, input.data(), input.size(), 0) == static_cast<ssize_t>(input.size()),
          "pwrite");

    CGPSTrack track("/proc/self/fd/" + std::to_string(fd), limits);
    Check(track.IsOpen(), "log not opened");
    Check(track.AtEnd() && track.GetCurrent() == nullptr, "new track not at end");

    // The plain split: lines end in LF, a CR before the LF goes, a last line needs no LF.
    CGPSTrack expected("");
    const std::size_t available =
        static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), limits.m_nMaxBytes));
    for (std::size_t begin = 0; begin < available;) {
        if (expected.GetCount() >= limits.m_nMaxRecords)
            break;
        std::size_t end = input.find('\n', begin);
        std::string line;
        if (end == std::string::npos || end >= available) {
            line = input.substr(begin, available - begin);
            end = available;
        } else {
            line = input.substr(begin, end - begin);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
        }
        if (line.size() > limits.m_nMaxLineLength)
            line.resize(limits.m_nMaxLineLength);
        expected.ParseRecord(line);
        begin = end + 1;
    }

    int read = 0;
    while (track.ReadNextRecord() == 1) {
        ++read;
        Check(read <= expected.GetCount(), "more records than lines");
    }
    Check(track.ReadNextRecord() == 0, "read again after the end");
    Check(read == expected.GetCount() && track.GetCount() == read, "record count");
    for (int i = 0; i < read; ++i)
        Check(SameRecord(*track.GetAt(i), *expected.GetAt(i)), "record differs from plain split");

    int steps = 0;
    for (; !track.AtEnd(); track.Advance()) {
        Check(track.GetCurrent() == track.GetAt(steps), "cursor record");
        ++steps;
    }
    Check(steps == read && track.GetCurrent() == nullptr, "cursor walk");
    track.Advance();
    Check(track.GetCursor() == read, "advance past the end");
    track.Rewind();
    Check(track.GetCursor() == 0 && (read == 0) == track.AtEnd(), "rewind");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    CGPSTrack lines("");
    lines.ParseRecord(input);
    Check(lines.GetCount() == 1, "one line, one record");

    FuzzNextToken(input);
    FuzzTrack(input);
    return 0;
}
