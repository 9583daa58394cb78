// The key decoder against itself: one byte stream, fed whole per burst, fed
// in fuzz-chosen chunks with short pauses, and fed byte by byte, must give
// the same keys as long as the pauses of at least the Esc timeout stand in
// the same places. A sequence that decodes to one key on its own gives that
// key wherever it stands in a stream outside a paste, however the stream is
// split. A key types further characters (a character code page 437 lacks,
// rendered) only after a printable one of its own, never more than three,
// and none of them a control character, so that no paste can hide Enter in
// a rendering.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/posix/KeyDecoder.h"

namespace {

using corvel::KeyEvent;
using corvel::posix::KeyDecoder;

constexpr int timeoutMs = KeyDecoder::defaultEscTimeoutMs;
constexpr std::int64_t farFuture = std::int64_t{1} << 40;

// How the bytes of one burst (no long pause inside) are handed over.
struct Chunk {
    std::string bytes;
    int pauseBeforeMs = 0;  // below the timeout
    bool pollBefore = false;  // the caller looks at the deadline first
};
struct Burst {
    std::vector<Chunk> chunks;
    int silenceBeforeMs = 0;  // at least the timeout (ignored for the first)
    bool expireAtDeadline = false;  // the caller wakes at the deadline itself
};

std::vector<KeyEvent> feedBursts(corvel::posix::Charset charset, const std::vector<Burst>& bursts) {
    KeyDecoder decoder(charset);
    std::int64_t now = 0;
    std::vector<KeyEvent> keys;
    auto collect = [&] {
        for (const KeyEvent& key : decoder.take()) keys.push_back(key);
    };
    for (std::size_t b = 0; b < bursts.size(); ++b) {
        const Burst& burst = bursts[b];
        if (b > 0) {
            // A deadline within the silence (an open paste's lies beyond it).
            const auto deadline = decoder.deadline();
            if (burst.expireAtDeadline && deadline && *deadline <= now + burst.silenceBeforeMs) {
                decoder.expire(*deadline);
            }
            now += burst.silenceBeforeMs;
        }
        for (const Chunk& chunk : burst.chunks) {
            now += chunk.pauseBeforeMs;
            if (chunk.pollBefore) decoder.expire(now);
            decoder.feed(chunk.bytes, now);
            collect();
        }
    }
    decoder.expire(farFuture);
    collect();
    return keys;
}

std::string joined(const Burst& burst) {
    std::string bytes;
    for (const Chunk& chunk : burst.chunks) bytes += chunk.bytes;
    return bytes;
}

// The same bursts with each burst's bytes in one chunk, or one byte each.
std::vector<Burst> regrouped(const std::vector<Burst>& bursts, bool byteByByte) {
    std::vector<Burst> out;
    for (const Burst& burst : bursts) {
        Burst plain;
        plain.silenceBeforeMs = burst.silenceBeforeMs;
        std::string bytes = joined(burst);
        if (!byteByByte) plain.chunks.push_back(Chunk{bytes});
        else
            for (char c : bytes) plain.chunks.push_back(Chunk{std::string(1, c)});
        out.push_back(plain);
    }
    return out;
}

void print(const char* name, const std::vector<KeyEvent>& keys) {
    std::fprintf(stderr, "%s:", name);
    for (const KeyEvent& k : keys)
        std::fprintf(stderr, " %d/%d%s%s%s", k.character, k.scanCode, k.shift ? "S" : "", k.alt ? "A" : "",
                     k.isKey ? "" : "-");
    std::fputc('\n', stderr);
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "key decoder property broken: %s\n", what);
    std::abort();
}

std::vector<Burst> readBursts(FuzzedDataProvider& input) {
    std::vector<Burst> bursts(1);
    while (input.remaining_bytes() > 0) {
        const std::uint8_t how = input.ConsumeIntegral<std::uint8_t>();
        std::string bytes = input.ConsumeRandomLengthString(64);
        if (how % 8 == 7) {
            Burst next;
            next.silenceBeforeMs = timeoutMs + how / 8;
            next.expireAtDeadline = (how & 0x40) != 0;
            bursts.push_back(next);
        }
        if (bytes.empty()) continue;  // nothing is fed, so no pause either
        Chunk chunk{bytes, how % 8 >= 4 ? (how / 8) % timeoutMs : 0, (how & 0x80) != 0};
        bursts.back().chunks.push_back(chunk);
    }
    return bursts;
}

// A sequence x that decodes to exactly one key, fed whole, leaving nothing
// pending, keeps giving that key between any stream p (after which nothing
// is pending) and any stream q.
void checkEmbedded(corvel::posix::Charset charset, const std::string& p, const std::string& x, const std::string& q) {
    KeyDecoder alone(charset);
    alone.feed(x, 0);
    if (alone.deadline()) return;
    std::vector<KeyEvent> own = alone.take();
    if (own.size() != 1) return;
    KeyDecoder before(charset);
    before.feed(p, 0);
    if (before.deadline() || before.inPaste()) return;  // inside a paste, x is only typing
    std::vector<KeyEvent> head = before.take();
    // Every split point of p + x + q: the decoder gets it in two chunks.
    const std::string stream = p + x + q;
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        std::vector<Burst> bursts(1);
        bursts[0].chunks = {Chunk{stream.substr(0, cut)}, Chunk{stream.substr(cut), 1}};
        std::vector<KeyEvent> keys = feedBursts(charset, bursts);
        if (keys.size() <= head.size() || !std::equal(head.begin(), head.end(), keys.begin()))
            fail("the keys before a recognised sequence changed");
        if (!(keys[head.size()] == own[0])) fail("a recognised sequence did not give its key in a stream");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto charset = static_cast<corvel::posix::Charset>(input.ConsumeIntegralInRange<int>(0, 2));
    const std::vector<Burst> bursts = readBursts(input);

    const std::vector<KeyEvent> asChunked = feedBursts(charset, bursts);
    const std::vector<KeyEvent> asBursts = feedBursts(charset, regrouped(bursts, false));
    const std::vector<KeyEvent> asBytes = feedBursts(charset, regrouped(bursts, true));
    if (asBursts != asChunked || asBytes != asChunked) {
        print("chunks", asChunked);
        print("bursts", asBursts);
        print("bytes", asBytes);
        fail("the same bytes split differently gave different keys");
    }

    for (const KeyEvent& key : asChunked) {
        if (key.more.empty()) continue;
        if (key.more.size() > 3 || key.character < 32 || key.character == 127) fail("a key types too much");
        for (char c : key.more) {
            if (static_cast<unsigned char>(c) < 32 || c == 127) fail("a key types a control character");
        }
    }

    if (bursts.size() == 1 && bursts[0].chunks.size() >= 3) {
        const auto& c = bursts[0].chunks;
        if (!c[1].bytes.empty() && c[1].bytes[0] == '\x1b' && c[1].bytes.size() >= 2)
            checkEmbedded(charset, c[0].bytes, c[1].bytes, c[2].bytes);
    }
    return 0;
}
