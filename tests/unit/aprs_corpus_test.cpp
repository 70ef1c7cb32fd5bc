#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/framing.h"
#include "aprs_test_support.h"

namespace quilmo {
namespace {

std::vector<std::string> corpusLines() {
    std::ifstream in(std::string(QUILMO_SHARED_DATA) + "/aprs-test-packets.tnc2", std::ios::binary);
    std::vector<std::string> lines;
    if (!in) return lines;
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t from = 0;
    for (std::size_t end = all.find('\n'); end != std::string::npos; end = all.find('\n', from)) {
        lines.push_back(all.substr(from, end - from));
        from = end + 1;
    }
    if (from < all.size()) lines.push_back(all.substr(from));
    return lines;
}

// Every packet of the shared corpus, with and without an own position and with
// SPEEDZERO, decodes to a well-formed record or to nothing; the sanitizer build
// turns any read outside a line into a failure here.
TEST(Corpus, EveryPacketDecodesSafely) {
    const std::vector<std::string> lines = corpusLines();
    if (lines.empty()) GTEST_SKIP() << "packet corpus not found";
    EXPECT_EQ(lines.size(), 414u);

    DecoderSettings own;
    own.myPositionSet = true;
    own.myLatValue = 44.5;
    own.myLongValue = 11.3;
    own.speedZero = 1;
    int shown = 0;
    for (const std::string& line : lines) {
        for (const DecoderSettings& settings : {DecoderSettings{}, own}) {
            const DecodedPacket p = test::decode(line, settings);
            EXPECT_EQ(p.shown, !p.record.empty()) << line;
            if (!p.shown) continue;
            ++shown;
            EXPECT_EQ(p.record.rfind("------- 2026-12-05 09:05 ------\r\n", 0), 0u) << line;
            EXPECT_EQ(p.record.substr(p.record.size() - 4), "\r\n\r\n") << line;
            EXPECT_EQ(p.placemark.has_value(), !p.lastCoordinates.empty()) << line;
        }
    }
    EXPECT_GT(shown, 400);  // most of the corpus is positions, messages and status
}

// Cut short anywhere, as a lost carrier leaves a packet, every line still decodes to a
// well-formed record or to nothing.
TEST(Corpus, EveryTruncatedPacketDecodesSafely) {
    const std::vector<std::string> lines = corpusLines();
    if (lines.empty()) GTEST_SKIP() << "packet corpus not found";
    DecoderSettings own;
    own.myPositionSet = true;
    for (const std::string& line : lines) {
        for (std::size_t length = 0; length < line.size(); ++length) {
            const std::string cut = line.substr(0, length);
            const DecodedPacket p = test::decode(cut, own);
            EXPECT_EQ(p.shown, !p.record.empty()) << cut;
            if (p.shown) {
                EXPECT_EQ(p.record.substr(p.record.size() - 4), "\r\n\r\n") << cut;
            }
        }
    }
}

// The same text split into reads of any size yields the same packet lines.
TEST(Corpus, ReadSizeDoesNotChangeLines) {
    const std::vector<std::string> lines = corpusLines();
    if (lines.empty()) GTEST_SKIP() << "packet corpus not found";
    std::string stream;
    for (const std::string& line : lines) stream += line + "\r\n";

    auto assemble = [&](std::size_t readSize) {
        AprsLineAssembler assembler;
        std::vector<std::string> out;
        for (std::size_t at = 0; at < stream.size(); at += readSize)
            assembler.append(std::string_view(stream).substr(at, readSize), out);
        return out;
    };
    const std::vector<std::string> whole = assemble(stream.size());
    EXPECT_GE(whole.size(), 400u);
    for (std::size_t readSize : {1u, 2u, 7u, 64u, 1000u}) EXPECT_EQ(assemble(readSize), whole) << readSize;
}

}  // namespace
}  // namespace quilmo
