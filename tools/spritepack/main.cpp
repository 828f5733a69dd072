// spritepack: writes the sprite pack from a text manifest and SVG art.
//
//   spritepack MANIFEST OUTPUT
//
// The manifest is a text-data document (foundation/TextDataDocument.h); SVG
// paths are relative to the manifest's folder. One section per library (a
// later section with the same number adds to the library):
//
//   library {
//     number = 7
//     texture {                      // a picture fetched by name
//       name = coin
//       svg = interface/coin.svg
//       size = 16, 16
//     }
//     sprite {                       // frames side by side on its own texture
//       name = girl_walk_down
//       svg = level/girl_front.svg   // the default art of every frame
//       size = 48, 64                // one frame, pixels
//       origin = 24, 60
//       depth = 0
//       mirror = 1                   // may be drawn mirrored
//       sequence = 2, 120            // default play mode and frame time
//       param = dress, #d04060       // a default for ${dress} in the art
//       frame = stride=4             // one frame: parameters, and svg=... for other art
//       frame = stride=-4
//     }
//     animation {
//       name = girl_walk
//       // sprite, play mode, first frame, frame count, frame time, anchor x, y, mirrored
//       variant = girl_walk_down, 2, 0, 4, 120, 24, 60, 0
//     }
//     particle {
//       name = bullet_gas
//       sprite = gas
//       lifetime = 600               // and the other words by their names (see kParticleWords)
//     }
//   }
//
// Frames that differ only by a pose or a colour come from one SVG file: each
// ${key} in its text is replaced by the frame's value, or the sprite's
// default, before librsvg rasterises it. Sizes are given in pixels; the SVG's
// own view box is scaled onto them.

#include "foundation/Ident.h"
#include "foundation/TextDataDocument.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "sprites/SpritePack.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Document = kis::TDRDocumentT<char16_t>;
using Section = kis::TDRSection<char16_t>;
using Params = std::map<std::string, std::string>;

struct Failure {
    std::string message;
};

std::string Narrow(const char16_t* text, uint32_t length) {
    return platform::Utf16ToUtf8(std::u16string(text, length));
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::vector<std::string> Split(const std::string& s, char by) {
    std::vector<std::string> out;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, by);)
        if (!Trim(part).empty() || by == ',') out.push_back(Trim(part));
    return out;
}

// A section's entries in file order, and its child sections.
struct Node {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<Node> children;

    std::vector<std::string> All(const std::string& key) const {
        std::vector<std::string> out;
        for (const auto& [k, v] : entries)
            if (k == key) out.push_back(v);
        return out;
    }
    std::string Get(const std::string& key, const std::string& fallback = "") const {
        for (const auto& [k, v] : entries)
            if (k == key) return v;
        return fallback;
    }
    std::string Need(const std::string& key) const {
        for (const auto& [k, v] : entries)
            if (k == key) return v;
        throw Failure{name + ": no " + key};
    }
};

Node Walk(const Section* section) {
    Node node;
    if (section->name) node.name = Narrow(section->name, section->nameLength);
    for (const auto& e : section->entries)
        node.entries.emplace_back(Narrow(e.key, e.keyLength), Trim(Narrow(e.Value(), e.valueLength)));
    for (const auto& child : section->children)
        node.children.push_back(Walk(child.get()));
    return node;
}

long Number(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end) throw Failure{what + ": not a number: " + text};
    return v;
}

double Real(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !std::isfinite(v)) throw Failure{what + ": not a number: " + text};
    return v;
}

std::vector<long> Numbers(const std::string& text, size_t count, const std::string& what) {
    std::vector<std::string> parts = Split(text, ',');
    if (parts.size() != count) throw Failure{what + ": wants " + std::to_string(count) + " values: " + text};
    std::vector<long> out;
    for (const std::string& p : parts)
        out.push_back(Number(p, what));
    return out;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{"cannot read " + path};
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Replaces every ${key} with its value; a key without one is an error.
std::string Fill(const std::string& svg, const Params& params, const std::string& what) {
    std::string out;
    size_t at = 0;
    for (;;) {
        const size_t open = svg.find("${", at);
        if (open == std::string::npos) break;
        const size_t close = svg.find('}', open);
        if (close == std::string::npos) throw Failure{what + ": unclosed ${"};
        const std::string key = svg.substr(open + 2, close - open - 2);
        const auto it = params.find(key);
        if (it == params.end()) throw Failure{what + ": no value for ${" + key + "}"};
        out += svg.substr(at, open - at) + it->second;
        at = close + 1;
    }
    return out + svg.substr(at);
}

// Rasterises the SVG text onto a w x h part of the sheet at (x, y); the sheet
// is premultiplied ARGB as cairo keeps it.
void Rasterise(const std::string& svg, cairo_t* cr, int x, int y, int w, int h, const std::string& what) {
    GError* error = nullptr;
    RsvgHandle* handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), gsize(svg.size()), &error);
    if (!handle) {
        const std::string message = error ? error->message : "bad SVG";
        if (error) g_error_free(error);
        throw Failure{what + ": " + message};
    }
    const RsvgRectangle viewport{double(x), double(y), double(w), double(h)};
    const bool ok = rsvg_handle_render_document(handle, cr, &viewport, &error);
    g_object_unref(handle);
    if (!ok) {
        const std::string message = error ? error->message : "cannot render";
        if (error) g_error_free(error);
        throw Failure{what + ": " + message};
    }
}

// A 32-bit Targa file with straight alpha, rows from the top.
std::vector<uint8_t> Targa(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    std::vector<uint8_t> out(18 + size_t(w) * size_t(h) * 4, 0);
    out[2] = 2;
    out[12] = uint8_t(w), out[13] = uint8_t(w >> 8), out[14] = uint8_t(h), out[15] = uint8_t(h >> 8);
    out[16] = 32;
    out[17] = 0x28;
    uint8_t* p = &out[18];
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < w; ++x) {
            const uint32_t px = row[x];
            const uint32_t a = px >> 24;
            auto straight = [a](uint32_t c) {
                return uint8_t(a ? std::min<uint32_t>(255, (c * 255 + a / 2) / a) : 0);
            };
            *p++ = straight(px & 0xFF);
            *p++ = straight((px >> 8) & 0xFF);
            *p++ = straight((px >> 16) & 0xFF);
            *p++ = uint8_t(a);
        }
    }
    return out;
}

struct Sheet {
    cairo_surface_t* surface;
    cairo_t* cr;
    Sheet(int w, int h) {
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cr = cairo_create(surface);
    }
    ~Sheet() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

std::u16string Name(const Node& node) {
    const std::string name = node.Need("name");
    if (name.empty() || name.size() > 31)
        throw Failure{node.name + ": a name of 1 to 31 characters: " + name};
    return platform::Utf8ToUtf16(name);
}

class Packer {
  public:
    explicit Packer(std::string folder) : folder_(std::move(folder)) {}

    // Adds a library section's textures, sprites, animations and particles
    // to the library of its number (a number may have several sections: the
    // later ones add to it).
    void Library(const Node& node, PackLibrary& library) {
        for (const Node& child : node.children) {
            if (child.name == "texture")
                library.textures.push_back(Texture(child));
            else if (child.name == "sprite")
                Sprite(child, library);
        }
        for (const Node& child : node.children) {
            if (child.name == "animation")
                library.animations.push_back(Animation(child, library));
            else if (child.name == "particle")
                library.particles.push_back(Particle(child, library));
        }
    }

  private:
    std::string Art(const std::string& file) const { return ReadText(folder_ + "/" + file); }

    PackTexture Texture(const Node& node) {
        const std::u16string name = Name(node);
        const std::vector<long> size = Numbers(node.Need("size"), 2, "texture size");
        Sheet sheet{int(size[0]), int(size[1])};
        Params params;
        for (const std::string& p : node.All("param")) {
            const std::vector<std::string> kv = Split(p, ',');
            if (kv.size() != 2) throw Failure{"param wants a key and a value: " + p};
            params[kv[0]] = kv[1];
        }
        Rasterise(Fill(Art(node.Need("svg")), params, node.Get("name")), sheet.cr, 0, 0, int(size[0]),
                  int(size[1]), node.Get("name"));
        return {name, uint32_t(size[0]), uint32_t(size[1]), Targa(sheet.surface)};
    }

    void Sprite(const Node& node, PackLibrary& library) {
        PackSprite sprite;
        sprite.name = Name(node);
        const std::vector<long> size = Numbers(node.Need("size"), 2, "sprite size");
        const int w = int(size[0]), h = int(size[1]);
        Params defaults;
        for (const std::string& p : node.All("param")) {
            const std::vector<std::string> kv = Split(p, ',');
            if (kv.size() != 2) throw Failure{"param wants a key and a value: " + p};
            defaults[kv[0]] = kv[1];
        }
        std::vector<std::string> frames = node.All("frame");
        if (frames.empty()) frames.push_back("");
        if (w <= 0 || h <= 0 || w * int(frames.size()) > kMaxTextureSide || h > kMaxTextureSide)
            throw Failure{node.Get("name") + ": frames do not fit a texture"};
        Sheet sheet(w * int(frames.size()), h);
        const std::string defaultSvg = node.Get("svg");
        for (size_t i = 0; i < frames.size(); ++i) {
            Params params = defaults;
            std::string svg = defaultSvg;
            for (const std::string& word : Split(frames[i], ' ')) {
                const size_t eq = word.find('=');
                if (eq == std::string::npos) throw Failure{"frame parameter without '=': " + word};
                if (word.substr(0, eq) == "svg")
                    svg = word.substr(eq + 1);
                else
                    params[word.substr(0, eq)] = word.substr(eq + 1);
            }
            if (svg.empty()) throw Failure{node.Get("name") + ": a frame without art"};
            const std::string what = node.Get("name") + " frame " + std::to_string(i);
            Rasterise(Fill(Art(svg), params, what), sheet.cr, int(i) * w, 0, w, h, what);
            sprite.frames.push_back({int32_t(i) * w, 0, int32_t(i + 1) * w, h});
        }
        const std::vector<long> origin = Numbers(node.Get("origin", "0, 0"), 2, "origin");
        sprite.originX = int32_t(origin[0]);
        sprite.originY = int32_t(origin[1]);
        sprite.depth = int32_t(Number(node.Get("depth", "0"), "depth"));
        sprite.flags = Number(node.Get("mirror", "0"), "mirror") ? 1 : 0;
        const std::vector<long> sequence = Numbers(node.Get("sequence", "0, 0"), 2, "sequence");
        sprite.mode = uint32_t(sequence[0]);
        sprite.frameTime = uint32_t(sequence[1]);
        sprite.texture = uint32_t(library.textures.size());
        library.textures.push_back(
            {sprite.name, uint32_t(w) * uint32_t(frames.size()), uint32_t(h), Targa(sheet.surface)});
        library.sprites.push_back(sprite);
    }

    static uint32_t SpriteIndex(const PackLibrary& library, const std::string& name) {
        const std::u16string wide = platform::Utf8ToUtf16(name);
        for (size_t i = 0; i < library.sprites.size(); ++i)
            if (library.sprites[i].name == wide) return uint32_t(i);
        throw Failure{"no sprite " + name + " in library " + std::to_string(library.number)};
    }

    PackAnimation Animation(const Node& node, const PackLibrary& library) {
        PackAnimation animation{Name(node), {}};
        for (const std::string& line : node.All("variant")) {
            const std::vector<std::string> parts = Split(line, ',');
            if (parts.size() != 8) throw Failure{"a variant has 8 values: " + line};
            PackVariant v;
            v.sprite = SpriteIndex(library, parts[0]);
            std::vector<long> n;
            for (size_t i = 1; i < 8; ++i)
                n.push_back(Number(parts[i], "variant"));
            v.mode = uint32_t(n[0]), v.first = uint32_t(n[1]), v.count = uint32_t(n[2]),
            v.frameTime = uint32_t(n[3]);
            v.anchorX = int32_t(n[4]), v.anchorY = int32_t(n[5]), v.flags = uint32_t(n[6]);
            if (v.first + v.count > library.sprites[v.sprite].frames.size())
                throw Failure{"variant frames past the sprite's: " + line};
            animation.variants.push_back(v);
        }
        if (animation.variants.empty()) throw Failure{node.Get("name") + ": no variants"};
        return animation;
    }

    GPSDescriptionRecord Particle(const Node& node, const PackLibrary& library) {
        GPSDescriptionRecord r = {};
        const std::u16string name = Name(node);
        r.id = kis::NameId(name.c_str());
        r.sprite = SpriteIndex(library, node.Need("sprite"));
        r.lifetime = int32_t(Number(node.Need("lifetime"), "lifetime"));
        r.flags = node.Get("emission", "1") == "0" ? 0 : kGPSOwnEmission;
        GPSEmission& e = r.emission;
        e.emissionLength = int32_t(Number(node.Get("emission_length", "0"), "emission_length"));
        e.startDelay = uint32_t(Number(node.Get("start_delay", "0"), "start_delay"));
        e.rate = float(Real(node.Get("rate", "10"), "rate"));
        e.lifeVariance = uint32_t(Number(node.Get("life_variance", "0"), "life_variance"));
        const std::vector<long> size = Numbers(node.Get("size", "8, 8"), 2, "size");
        e.sizeMin = int32_t(size[0]), e.sizeMax = int32_t(size[1]);
        e.angle = float(Real(node.Get("angle", "0"), "angle"));
        e.spread = float(Real(node.Get("spread", "360"), "spread"));
        const std::vector<std::string> speed = Split(node.Get("speed", "0, 0"), ',');
        const std::vector<std::string> accel = Split(node.Get("acceleration", "0, 0"), ',');
        if (speed.size() != 2 || accel.size() != 2) throw Failure{"speed and acceleration want two values"};
        e.speedMin = float(Real(speed[0], "speed")), e.speedMax = float(Real(speed[1], "speed"));
        e.accelX = float(Real(accel[0], "acceleration")), e.accelY = float(Real(accel[1], "acceleration"));
        r.deathSize = float(Real(node.Get("death_size", "1"), "death_size"));
        r.birthColour = uint32_t(std::stoul(node.Get("birth_colour", "0xFFFFFFFF"), nullptr, 16));
        r.deathColour = uint32_t(std::stoul(node.Get("death_colour", "0x00FFFFFF"), nullptr, 16));
        r.blendMode = uint32_t(Number(node.Get("blend", "1"), "blend"));
        r.maxParticles = uint32_t(Number(node.Get("max_particles", "0"), "max_particles"));
        return r;
    }

    std::string folder_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: spritepack MANIFEST OUTPUT\n");
        return 2;
    }
    const std::string manifest = argv[1];
    const size_t slash = manifest.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : manifest.substr(0, slash);
    Document* document = nullptr;
    if (!Document::Load(platform::Utf8ToUtf16(manifest).c_str(), document)) {
        std::fprintf(stderr, "spritepack: cannot read the manifest %s\n", manifest.c_str());
        return 1;
    }
    std::unique_ptr<Document> owned(document);
    owned->Rewind();
    try {
        const Node root = Walk(owned->GetCurrentSection());
        Packer packer(folder);
        std::vector<PackLibrary> libraries;
        for (const Node& node : root.children) {
            if (node.name != "library") continue;
            const int32_t number = int32_t(Number(node.Need("number"), "library number"));
            auto same = std::find_if(libraries.begin(), libraries.end(),
                                     [number](const PackLibrary& l) { return l.number == number; });
            if (same == libraries.end()) {
                libraries.emplace_back();
                libraries.back().number = number;
                same = libraries.end() - 1;
            }
            packer.Library(node, *same);
        }
        std::string error;
        if (!WriteSpritePack(platform::Utf8ToUtf16(argv[2]).c_str(), libraries, &error))
            throw Failure{std::string(argv[2]) + ": " + error};
    } catch (const Failure& failure) {
        std::fprintf(stderr, "spritepack: %s\n", failure.message.c_str());
        return 1;
    }
    return 0;
}
