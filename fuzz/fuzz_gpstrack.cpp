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
    const CGPSTrack::Limits limits = LimitsFromInput(input, CGPSTrack::Limits().m_nMaxRecords);
    CGPSTrack track(InputAsFile("gps-log", input), limits);
    Check(track.IsOpen(), "log not opened");
    Check(track.AtEnd() && track.GetCurrent() == nullptr, "new track not at end");

    CGPSTrack expected("");
    ForEachLine(input, limits, [&](const std::string& line) {
        if (expected.GetCount() >= limits.m_nMaxRecords)
            return false;
        expected.ParseRecord(line);
        return true;
    });

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
