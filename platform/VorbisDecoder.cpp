#include "platform/VorbisDecoder.h"

#include "platform/BitWriter.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

namespace platform {
namespace {

// The highest sample rate taken, as for wave files.
constexpr uint32_t kMaxRate = 384000;
// The most channels a stream may have; Vorbis allows 255, but nothing the
// game plays has more than six.
constexpr int kMaxChannels = 16;
// What the decoder's tables for a stream's codebooks may take, as estimated
// from its setup header before the decoder is opened.
constexpr uint64_t kMaxDecoderMemory = uint64_t{8} << 20;

int16_t ToSample(float value) {
    if (std::isnan(value)) return 0;
    return int16_t(std::lrint(std::clamp(value * 32768.0f, -32768.0f, 32767.0f)));
}

uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// ---- The header packets, read before the decoder is opened ------------------------

struct StreamHeaders {
    uint32_t serial = 0;
    std::vector<std::vector<uint8_t>> packets;
};

// The first three packets (identification, comment, setup) of every logical
// stream, as far as the bytes hold them. Pages are not checked: the decoder
// does that.
std::vector<StreamHeaders> HeaderPackets(const std::vector<uint8_t>& bytes) {
    std::vector<StreamHeaders> streams;
    std::map<uint32_t, size_t> indexBySerial;
    std::map<uint32_t, bool> packetOpen; // the last packet continues on the next page
    for (size_t page = 0; page + 27 <= bytes.size();) {
        const uint8_t* head = &bytes[page];
        if (std::memcmp(head, "OggS", 4) != 0) break;
        const size_t segments = head[26];
        if (page + 27 + segments > bytes.size()) break;
        const uint32_t serial = LoadU32(head + 14);
        if (indexBySerial.find(serial) == indexBySerial.end()) {
            indexBySerial[serial] = streams.size();
            streams.push_back({serial, {}});
        }
        std::vector<std::vector<uint8_t>>& packets = streams[indexBySerial[serial]].packets;
        size_t body = page + 27 + segments;
        for (size_t s = 0; s < segments; ++s) {
            const size_t lacing = head[27 + s];
            const size_t available = body < bytes.size() ? std::min(lacing, bytes.size() - body) : 0;
            // A fourth packet ends what is kept of the stream.
            if (!packetOpen[serial] && packets.size() < 4) packets.emplace_back();
            if (packets.size() <= 3)
                packets.back().insert(packets.back().end(), bytes.begin() + ptrdiff_t(body),
                                      bytes.begin() + ptrdiff_t(body + available));
            packetOpen[serial] = lacing == 255;
            body += lacing;
        }
        page = body;
    }
    for (StreamHeaders& stream : streams)
        if (stream.packets.size() > 3) stream.packets.resize(3);
    return streams;
}

bool IsHeader(const std::vector<uint8_t>& packet, uint8_t type) {
    return packet.size() >= 7 && packet[0] == type && std::memcmp(&packet[1], "vorbis", 6) == 0;
}

// The comment header's counts, each held against the bytes its packet has
// left, so that a damaged one is named as such.
bool CommentHeaderFits(const std::vector<uint8_t>& packet) {
    size_t at = 7;
    auto count = [&](uint32_t& value) {
        if (packet.size() - at < 4) return false;
        value = LoadU32(&packet[at]);
        at += 4;
        return true;
    };
    uint32_t vendor = 0, comments = 0;
    if (!count(vendor) || vendor > packet.size() - at) return false;
    at += vendor;
    if (!count(comments) || comments > (packet.size() - at) / 4) return false;
    for (uint32_t i = 0; i < comments; ++i) {
        uint32_t length = 0;
        if (!count(length) || length > packet.size() - at) return false;
        at += length;
    }
    return true;
}

// Bits of a packet, least significant first, as Vorbis packs them. Reading
// past the end gives false and stays there.
class BitReader {
  public:
    explicit BitReader(const std::vector<uint8_t>& packet, size_t start) : packet_(packet), bit_(start * 8) {}
    bool Read(int bits, uint64_t& value) {
        value = 0;
        if (uint64_t(bits) > packet_.size() * 8 - std::min<uint64_t>(bit_, packet_.size() * 8)) {
            bit_ = packet_.size() * 8;
            return false;
        }
        for (int i = 0; i < bits; ++i, ++bit_)
            value |= uint64_t((packet_[bit_ / 8] >> (bit_ % 8)) & 1) << i;
        return true;
    }
    bool Skip(uint64_t bits) {
        if (bits > packet_.size() * 8 - bit_) return false;
        bit_ += bits;
        return true;
    }
    uint64_t Position() const { return bit_; }

  private:
    const std::vector<uint8_t>& packet_;
    uint64_t bit_;
};

int BitsOf(uint64_t value) {
    int bits = 0;
    for (; value; value >>= 1)
        ++bits;
    return bits;
}

// The largest v with v to the power dimensions at most entries.
uint64_t LatticeValues(uint64_t entries, uint64_t dimensions) {
    if (dimensions == 0) return 0;
    auto power = [&](uint64_t v) {
        uint64_t p = 1;
        for (uint64_t d = 0; d < dimensions; ++d) {
            if (p > entries / std::max<uint64_t>(v, 1)) return entries + 1;
            p *= v;
        }
        return p;
    };
    uint64_t v = uint64_t(std::floor(std::pow(double(entries), 1.0 / double(dimensions))));
    while (v > 0 && power(v) > entries)
        --v;
    while (power(v + 1) <= entries)
        ++v;
    return v;
}

// What the decoder will take for the codebooks the setup header declares:
// for each entry its code length, code, index and its dimensions' values,
// and the lattice or list of quantised values. A codebook of no dimensions
// gives kZeroDimensions: the decoder divides by the dimensions of the books
// it uses without checking them. The headers are read only as far as they
// can be; whatever is damaged beyond that the decoder refuses.
constexpr uint64_t kZeroDimensions = ~uint64_t{0};

uint64_t CodebookMemory(const std::vector<uint8_t>& setup) {
    BitReader bits(setup, 7);
    uint64_t books = 0, memory = 0;
    if (!bits.Read(8, books)) return 0;
    for (uint64_t book = 0; book <= books; ++book) {
        uint64_t sync, dimensions, entries, ordered, value;
        if (!bits.Read(24, sync) || sync != 0x564342 || !bits.Read(16, dimensions) ||
            !bits.Read(24, entries) || !bits.Read(1, ordered))
            return memory;
        if (dimensions == 0) return kZeroDimensions;
        memory += entries * (dimensions * 4 + 16);
        if (memory > kMaxDecoderMemory) return memory;
        if (ordered) {
            if (!bits.Read(5, value)) return memory;
            for (uint64_t current = 0; current < entries;) {
                if (!bits.Read(BitsOf(entries - current), value)) return memory;
                current += value;
            }
        } else {
            uint64_t sparse;
            if (!bits.Read(1, sparse)) return memory;
            for (uint64_t entry = 0; entry < entries; ++entry) {
                uint64_t used = 1;
                if (sparse && !bits.Read(1, used)) return memory;
                if (used && !bits.Read(5, value)) return memory;
            }
        }
        uint64_t lookup, quantBits, sequence;
        if (!bits.Read(4, lookup)) return memory;
        if (lookup == 1 || lookup == 2) {
            if (!bits.Read(32, value) || !bits.Read(32, value) || !bits.Read(4, quantBits) ||
                !bits.Read(1, sequence))
                return memory;
            const uint64_t values = lookup == 1 ? LatticeValues(entries, dimensions) : entries * dimensions;
            memory += values * 8;
            if (memory > kMaxDecoderMemory || !bits.Skip(values * (quantBits + 1))) return memory;
        }
    }
    return memory;
}

// Every stream's headers are checked for what the decoder would otherwise
// take on trust: the comment header's counts, the channel count, the sample
// rate, and the memory its codebooks need.
bool HeadersAcceptable(const std::vector<StreamHeaders>& streams, std::string* error) {
    auto fail = [&](const char* reason) {
        if (error) *error = reason;
        return false;
    };
    for (const StreamHeaders& stream : streams) {
        const std::vector<std::vector<uint8_t>>& packets = stream.packets;
        if (packets.size() >= 1 && IsHeader(packets[0], 1) && packets[0].size() >= 16) {
            const int channels = packets[0][11];
            const uint32_t rate = LoadU32(&packets[0][12]);
            if (channels < 1 || channels > kMaxChannels) return fail("bad Ogg Vorbis channel count");
            if (rate == 0 || rate > kMaxRate) return fail("bad Ogg Vorbis sample rate");
        }
        if (packets.size() >= 2 && IsHeader(packets[1], 3) && !CommentHeaderFits(packets[1]))
            return fail("bad Ogg Vorbis comment header");
        if (packets.size() >= 3 && IsHeader(packets[2], 5)) {
            const uint64_t memory = CodebookMemory(packets[2]);
            if (memory == kZeroDimensions)
                return fail("bad Ogg Vorbis setup header: a codebook of no dimensions");
            if (memory > kMaxDecoderMemory) return fail("Ogg Vorbis setup needs too much memory");
        }
    }
    return true;
}

// ---- Single-entry classification books ----------------------------------------------
//
// A codebook with one used entry is legal in any of its three forms (sparse,
// with the other entries unused; one entry; one entry in length order):
// reading it takes one bit and gives that entry. libvorbis, though, refuses a
// residue whose classification book has fewer entries than there are
// combinations of classifications (classifications to the power of the book's
// dimensions), which a book of one entry always has. Such a book is written
// back in the sparse form with as many entries as the residue needs, the
// extra ones unused: the entry read, and its vector, stay the same. Streams
// that need no such change are handed over untouched.

// The most entries a rewritten book may have; real classification books
// need a few hundred at most.
constexpr uint64_t kMaxPaddedEntries = 1 << 16;

// What is kept of a codebook of the setup header: where its bits lie and,
// for a book of one used entry, what it takes to write it again.
struct BookRecord {
    uint64_t begin = 0, end = 0; // bit positions in the packet
    uint64_t dimensions = 0, entries = 0;
    uint64_t used = 0;                      // entries with a code
    uint64_t usedIndex = 0, usedLength = 0; // of the first one
    uint64_t lookup = 0, minimum = 0, delta = 0, valueBits = 0, sequence = 0;
    std::vector<uint64_t> values; // kept for a book of one used entry only
};

bool ReadBook(BitReader& bits, BookRecord& book) {
    uint64_t sync, ordered, value;
    book.begin = bits.Position();
    if (!bits.Read(24, sync) || sync != 0x564342 || !bits.Read(16, book.dimensions) ||
        !bits.Read(24, book.entries) || !bits.Read(1, ordered) || book.dimensions == 0)
        return false;
    auto use = [&](uint64_t index, uint64_t length) {
        if (book.used++ == 0) {
            book.usedIndex = index;
            book.usedLength = length;
        }
    };
    if (ordered) {
        uint64_t length;
        if (!bits.Read(5, length)) return false;
        ++length;
        for (uint64_t current = 0; current < book.entries; ++length) {
            if (!bits.Read(BitsOf(book.entries - current), value) || value > book.entries - current)
                return false;
            for (uint64_t i = 0; i < value; ++i)
                use(current + i, length);
            current += value;
        }
    } else {
        uint64_t sparse;
        if (!bits.Read(1, sparse)) return false;
        for (uint64_t entry = 0; entry < book.entries; ++entry) {
            uint64_t used = 1;
            if (sparse && !bits.Read(1, used)) return false;
            if (!used) continue;
            if (!bits.Read(5, value)) return false;
            use(entry, value + 1);
        }
    }
    if (!bits.Read(4, book.lookup)) return false;
    if (book.lookup == 1 || book.lookup == 2) {
        if (!bits.Read(32, book.minimum) || !bits.Read(32, book.delta) || !bits.Read(4, book.valueBits) ||
            !bits.Read(1, book.sequence))
            return false;
        const uint64_t count =
            book.lookup == 1 ? LatticeValues(book.entries, book.dimensions) : book.entries * book.dimensions;
        if (book.used == 1 && count <= kMaxPaddedEntries) {
            book.values.resize(count);
            for (uint64_t& v : book.values)
                if (!bits.Read(int(book.valueBits + 1), v)) return false;
        } else if (!bits.Skip(count * (book.valueBits + 1))) {
            return false;
        }
    } else if (book.lookup != 0) {
        return false;
    }
    book.end = bits.Position();
    return true;
}

// Whether a codebook of the setup header has one used entry with a code of
// more than one bit. libvorbis takes such a book but looks for that longer
// code where the stream has the one bit a single-entry book takes, so it
// decodes nothing of the stream; false when the books cannot be read (the
// decoder judges those).
bool HasLongSingleCode(const std::vector<uint8_t>& setup) {
    BitReader bits(setup, 7);
    uint64_t count;
    if (!bits.Read(8, count)) return false;
    for (uint64_t i = 0; i <= count; ++i) {
        BookRecord book;
        if (!ReadBook(bits, book)) return false;
        if (book.used == 1 && book.usedLength != 1) return true;
    }
    return false;
}

bool SkipFloor(BitReader& bits) {
    uint64_t type, value;
    if (!bits.Read(16, type)) return false;
    if (type == 0) {
        uint64_t books;
        return bits.Skip(8 + 16 + 16 + 6 + 8) && bits.Read(4, books) && bits.Skip((books + 1) * 8);
    }
    if (type != 1) return false;
    uint64_t partitions, classCount = 0;
    if (!bits.Read(5, partitions)) return false;
    std::vector<uint64_t> classes(partitions);
    for (uint64_t& c : classes) {
        if (!bits.Read(4, c)) return false;
        classCount = std::max(classCount, c + 1);
    }
    std::vector<uint64_t> classDimensions(classCount);
    for (uint64_t& dimensions : classDimensions) {
        uint64_t subclasses;
        if (!bits.Read(3, dimensions) || !bits.Read(2, subclasses)) return false;
        ++dimensions;
        if (subclasses && !bits.Read(8, value)) return false;
        if (!bits.Skip((uint64_t{1} << subclasses) * 8)) return false;
    }
    uint64_t rangeBits;
    if (!bits.Read(2, value) || !bits.Read(4, rangeBits)) return false;
    for (uint64_t c : classes)
        if (!bits.Skip(classDimensions[c] * rangeBits)) return false;
    return true;
}

// The setup header again with each classification book of one used entry
// that has too few entries for its residue written as a sparse book of
// enough; nothing when no book needs it or the header cannot be read.
std::optional<std::vector<uint8_t>> PaddedClassificationBooks(const std::vector<uint8_t>& setup) {
    BitReader bits(setup, 7);
    uint64_t count;
    if (!bits.Read(8, count)) return std::nullopt;
    std::vector<BookRecord> books(count + 1);
    for (BookRecord& book : books)
        if (!ReadBook(bits, book)) return std::nullopt;
    uint64_t slots, floors, residues;
    if (!bits.Read(6, slots) || !bits.Skip((slots + 1) * 16) || !bits.Read(6, floors)) return std::nullopt;
    for (uint64_t i = 0; i <= floors; ++i)
        if (!SkipFloor(bits)) return std::nullopt;
    std::vector<uint64_t> needed(books.size(), 0);
    if (!bits.Read(6, residues)) return std::nullopt;
    for (uint64_t i = 0; i <= residues; ++i) {
        uint64_t type, classifications, classBook, passes = 0;
        if (!bits.Read(16, type) || type > 2 || !bits.Skip(24 * 3) || !bits.Read(6, classifications) ||
            !bits.Read(8, classBook))
            return std::nullopt;
        ++classifications;
        for (uint64_t c = 0; c < classifications; ++c) {
            uint64_t low, more, high = 0;
            if (!bits.Read(3, low) || !bits.Read(1, more) || (more && !bits.Read(5, high)))
                return std::nullopt;
            for (uint64_t cascade = low | high << 3; cascade; cascade >>= 1)
                passes += cascade & 1;
        }
        if (!bits.Skip(passes * 8) || classBook >= books.size()) return std::nullopt;
        const BookRecord& book = books[classBook];
        // A lattice's values move when its entries grow, except those of
        // entry 0; a code longer than 32 bits (refused by the decoder) has no
        // sparse form.
        if (book.used != 1 || (book.lookup == 1 && book.usedIndex != 0) || book.usedLength > 32) continue;
        uint64_t combinations = 1;
        for (uint64_t d = 0; d < book.dimensions && combinations <= kMaxPaddedEntries; ++d)
            combinations *= classifications;
        if (combinations > book.entries && combinations * book.dimensions <= kMaxPaddedEntries)
            needed[classBook] = std::max(needed[classBook], combinations);
    }
    if (std::all_of(needed.begin(), needed.end(), [](uint64_t n) { return n == 0; })) return std::nullopt;

    BitWriter out;
    out.Copy(setup, 0, books[0].begin);
    for (size_t b = 0; b < books.size(); ++b) {
        const BookRecord& book = books[b];
        if (needed[b] == 0) {
            out.Copy(setup, book.begin, book.end);
            continue;
        }
        out.Put(0x564342, 24);
        out.Put(book.dimensions, 16);
        out.Put(needed[b], 24);
        out.Put(0, 1); // not in length order
        out.Put(1, 1); // sparse
        for (uint64_t entry = 0; entry < needed[b]; ++entry) {
            out.Put(entry == book.usedIndex, 1);
            if (entry == book.usedIndex) out.Put(book.usedLength - 1, 5);
        }
        out.Put(book.lookup, 4);
        if (book.lookup == 0) continue;
        out.Put(book.minimum, 32);
        out.Put(book.delta, 32);
        out.Put(book.valueBits, 4);
        out.Put(book.sequence, 1);
        const uint64_t count =
            book.lookup == 1 ? LatticeValues(needed[b], book.dimensions) : needed[b] * book.dimensions;
        for (uint64_t i = 0; i < count; ++i)
            out.Put(i < book.values.size() ? book.values[i] : 0, int(book.valueBits + 1));
    }
    out.Copy(setup, books.back().end, uint64_t(setup.size()) * 8);
    return out.Take();
}

// One page of the file as libogg found it (its check value right).
struct PageSpan {
    size_t offset, length;
};

std::vector<PageSpan> CheckedPages(const std::vector<uint8_t>& bytes) {
    std::vector<PageSpan> pages;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, long(bytes.size()));
    if (buffer) {
        std::memcpy(buffer, bytes.data(), bytes.size());
        ogg_sync_wrote(&sync, long(bytes.size()));
        ogg_page page;
        for (size_t at = 0;;) {
            const long step = ogg_sync_pageseek(&sync, &page);
            if (step == 0) break;
            if (step > 0) pages.push_back({at, size_t(step)});
            at += size_t(step > 0 ? step : -step);
        }
    }
    ogg_sync_clear(&sync);
    return pages;
}

// The stream with the comment and setup headers of the logical stream
// `serial` on pages made afresh, the setup header replaced, and the stream's
// later pages numbered on from them. Unchanged when its headers do not lie as
// the format has them (the identification header alone on the first page,
// the setup header ending its page).
std::vector<uint8_t> ReplaceSetupHeader(std::vector<uint8_t> bytes, uint32_t serial,
                                        const std::vector<std::vector<uint8_t>>& headers) {
    const std::vector<PageSpan> pages = CheckedPages(bytes);
    // The stream's pages, up to a later link that takes up its serial number.
    std::vector<size_t> own;
    for (size_t i = 0; i < pages.size(); ++i) {
        const uint8_t* head = &bytes[pages[i].offset];
        if (LoadU32(head + 14) != serial) continue;
        if (!own.empty() && (head[5] & 0x02)) break;
        own.push_back(i);
    }
    // Packets ended by each of the stream's pages, and whether its last
    // segment ends one.
    size_t done = 0, headerPages = 0;
    for (size_t k = 0; k < own.size() && done < 3; ++k) {
        const uint8_t* head = &bytes[pages[own[k]].offset];
        const size_t segments = head[26];
        for (size_t s = 0; s < segments; ++s) {
            if (head[27 + s] == 255) continue;
            ++done;
            if ((done == 1 || done == 3) && s + 1 != segments) return bytes;
        }
        if (k == 0 && done != 1) return bytes;
        headerPages = k + 1;
    }
    if (done < 3) return bytes;

    // The fresh pages: the identification header's page is made only for
    // the stream state to number the others on from it; the comment and
    // setup headers share pages, as encoders write them.
    std::vector<uint8_t> fresh;
    size_t freshPages = 0;
    ogg_stream_state stream;
    ogg_stream_init(&stream, int(serial));
    for (size_t i = 0; i < 3; ++i) {
        ogg_packet packet{};
        packet.packet = const_cast<unsigned char*>(headers[i].data());
        packet.bytes = long(headers[i].size());
        packet.b_o_s = i == 0;
        packet.packetno = ogg_int64_t(i);
        ogg_stream_packetin(&stream, &packet);
        if (i == 1) continue;
        ogg_page page;
        while (ogg_stream_flush(&stream, &page)) {
            if (i == 0) continue;
            fresh.insert(fresh.end(), page.header, page.header + page.header_len);
            fresh.insert(fresh.end(), page.body, page.body + page.body_len);
            ++freshPages;
        }
    }
    ogg_stream_clear(&stream);

    std::vector<uint8_t> out;
    out.reserve(bytes.size() + fresh.size());
    const int64_t shift = int64_t(freshPages) - int64_t(headerPages - 1);
    size_t copied = 0;
    for (size_t k = 1; k < own.size(); ++k) {
        const PageSpan& span = pages[own[k]];
        out.insert(out.end(), bytes.begin() + ptrdiff_t(copied), bytes.begin() + ptrdiff_t(span.offset));
        copied = span.offset + span.length;
        if (k == 1) out.insert(out.end(), fresh.begin(), fresh.end());
        if (k < headerPages) continue;
        const size_t at = out.size();
        out.insert(out.end(), bytes.begin() + ptrdiff_t(span.offset), bytes.begin() + ptrdiff_t(copied));
        uint8_t* head = &out[at];
        const uint32_t sequence = uint32_t(int64_t(LoadU32(head + 18)) + shift);
        for (int b = 0; b < 4; ++b)
            head[18 + b] = uint8_t(sequence >> (8 * b));
        ogg_page page{};
        page.header = head;
        page.header_len = long(27 + head[26]);
        page.body = head + page.header_len;
        page.body_len = long(span.length) - page.header_len;
        ogg_page_checksum_set(&page);
    }
    out.insert(out.end(), bytes.begin() + ptrdiff_t(copied), bytes.end());
    return out;
}

// ---- Reading from memory ------------------------------------------------------------

struct MemorySource {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

size_t ReadMemory(void* out, size_t size, size_t count, void* source) {
    auto* memory = static_cast<MemorySource*>(source);
    if (size == 0) return 0;
    const size_t items = std::min(count, (memory->bytes.size() - memory->position) / size);
    std::memcpy(out, memory->bytes.data() + memory->position, items * size);
    memory->position += items * size;
    return items;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* memory = static_cast<MemorySource*>(source);
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? int64_t(memory->position)
                         : whence == SEEK_END ? int64_t(memory->bytes.size())
                                              : -1;
    if (base < 0 || offset < -base || offset > int64_t(memory->bytes.size()) - base) return -1;
    memory->position = size_t(base + offset);
    return 0;
}

long TellMemory(void* source) {
    return long(static_cast<MemorySource*>(source)->position);
}

// The places of 3 to 6 channels in Vorbis order: left, right or centre.
constexpr const char* kPlaces[4] = {"LCR", "LRLR", "LCRLR", "LCRLRC"};

class VorbisDecoder final : public AudioDecoder {
  public:
    VorbisDecoder(std::unique_ptr<MemorySource> source, int channels, int rate) : source_(std::move(source)) {
        channels_ = channels;
        rate_ = rate;
    }
    ~VorbisDecoder() override {
        if (open_) ov_clear(&file_);
    }

    // Opens the stream; false, with a reason, when the decoder refuses it.
    bool Open(std::string* error) {
        const ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
        const int code = ov_open_callbacks(source_.get(), &file_, nullptr, 0, callbacks);
        if (code != 0) {
            if (error) *error = "bad Ogg Vorbis data (libvorbisfile error " + std::to_string(code) + ")";
            return false;
        }
        open_ = true;
        // Every link of a chained file plays at the first one's rate.
        for (long link = 0; link < ov_streams(&file_); ++link) {
            const vorbis_info* info = ov_info(&file_, int(link));
            if (!info || info->channels < 1 || info->channels > kMaxChannels) {
                if (error) *error = "bad Ogg Vorbis channel count";
                return false;
            }
            if (info->rate != rate_) {
                if (error) *error = "Ogg Vorbis links of different sample rates";
                return false;
            }
        }
        return true;
    }

    // One channel stays mono; two are left and right; three to six are
    // mixed down to stereo by their places; of more only the first two play.
    int Read(int16_t* out, int frames) override {
        int done = 0;
        int holes = 0;
        while (done < frames) {
            float** pcm = nullptr;
            int link = 0;
            if (broken_) break;
            const long got = ov_read_float(&file_, &pcm, frames - done, &link);
            // A hole (a page lost or damaged) is no end: reading goes on
            // after it. Only a long run of holes without audio between them
            // ends this read; the stream has not failed and can be rewound.
            if (got == OV_HOLE) {
                if (++holes >= kMaxHoles) break;
                continue;
            }
            if (got < 0) broken_ = true;
            if (got <= 0) break;
            holes = 0;
            const vorbis_info* info = ov_info(&file_, link);
            const int source = info ? info->channels : 0;
            if (source < 1) break;
            for (long i = 0; i < got; ++i) {
                int16_t* frame = out + size_t(done + i) * size_t(channels_);
                if (channels_ == 1) {
                    frame[0] = ToSample(pcm[0][i]);
                    continue;
                }
                if (source == 1) {
                    frame[0] = frame[1] = ToSample(pcm[0][i]);
                    continue;
                }
                float left = 0.0f, right = 0.0f;
                const char* places = source >= 3 && source <= 6 ? kPlaces[source - 3] : "LR";
                for (int c = 0; places[c] != 0; ++c) {
                    const float v = pcm[c][i];
                    if (places[c] != 'R') left += v;
                    if (places[c] != 'L') right += v;
                }
                frame[0] = ToSample(left);
                frame[1] = ToSample(right);
            }
            done += int(got);
        }
        return done;
    }

    // A stream whose decoder failed stays ended: libvorbis keeps the tables
    // of a failed start and would decode with them on a second start.
    bool Rewind() override {
        if (broken_ || ov_raw_seek(&file_, 0) != 0) {
            broken_ = true;
            return false;
        }
        return true;
    }

  private:
    // Holes in a row that end a read.
    static constexpr int kMaxHoles = 64;

    std::unique_ptr<MemorySource> source_; // read by file_; outlives it
    OggVorbis_File file_{};
    bool open_ = false;
    bool broken_ = false; // the decoder failed (not a hole in the data): nothing more is read
};

} // namespace

std::unique_ptr<AudioDecoder> OpenVorbisDecoder(std::vector<uint8_t> bytes, std::string* error) {
    if (bytes.size() > size_t(std::numeric_limits<long>::max())) {
        if (error) *error = "Ogg Vorbis data too large";
        return nullptr;
    }
    const auto streams = HeaderPackets(bytes);
    if (!HeadersAcceptable(streams, error)) return nullptr;
    // The first stream's identification header gives the output's shape.
    if (streams.empty() || streams[0].packets.empty() || !IsHeader(streams[0].packets[0], 1) ||
        streams[0].packets[0].size() < 16) {
        if (error) *error = "bad Ogg Vorbis data: no identification header";
        return nullptr;
    }
    const std::vector<uint8_t>& identification = streams[0].packets[0];
    const int channels = identification[11] == 1 ? 1 : 2;
    const int rate = int(LoadU32(&identification[12]));
    for (const StreamHeaders& stream : streams) {
        if (stream.packets.size() < 3 || !IsHeader(stream.packets[2], 5)) continue;
        if (HasLongSingleCode(stream.packets[2])) {
            if (error)
                *error =
                    "bad Ogg Vorbis setup header: a codebook of one entry with a code of more than one bit";
            return nullptr;
        }
        std::optional<std::vector<uint8_t>> setup = PaddedClassificationBooks(stream.packets[2]);
        if (setup && CodebookMemory(*setup) <= kMaxDecoderMemory) {
            std::vector<std::vector<uint8_t>> headers = stream.packets;
            headers[2] = std::move(*setup);
            bytes = ReplaceSetupHeader(std::move(bytes), stream.serial, headers);
        }
    }
    auto source = std::make_unique<MemorySource>();
    source->bytes = std::move(bytes);
    auto decoder = std::make_unique<VorbisDecoder>(std::move(source), channels, rate);
    if (!decoder->Open(error)) return nullptr;
    return decoder;
}

} // namespace platform
