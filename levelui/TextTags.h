#pragma once
// The game's custom text tags: "[PRODUCT N]", "[MBLDNG P U]", "[SAWARD D]"
// and the others, expanded by the text layer's tag callback into rich-text
// markup (names, prices with a coin, counts, award lines with check marks).
//
// A tag is a word and its arguments: "[WORD MODE args...]". Words are
// identifiers compared without case. Tags that describe an object are
// expanded only when the text's first context word is the matching kind; the
// second context word is the object. Everything a tag prints comes through
// the installed TextTagSources (levelui/TextTagSources.h).
//
//   word     kind       object                          modes
//   icon     -          -                               NAME [frame=0] [colour=ffffffff]
//   money    -          -                               [colour=0] (only in a running level)
//   color    -          -                               HEX opens, r closes
//   mbldng   0x1000001  a building point                N [form] [colour], P FORM [ok] [lack],
//                                                       F C [colour], F N [colour]
//   plant    0x1000002  a plant type                    N [form] [colour], P FORM [ok] [lack]
//   product  0x1000003  a product                       I, N [form] [colour], P [colour], W FORM [colour]
//   prdctn   0x1000004  a factory recipe                I [index], N [form] [colour]
//   profile  0x1000005  a profile (0 = the current one) N [colour]
//   saward   0x1000006  an AwardRecord                  D, N [form] [colour], C [tier]
//   baward   0x1000007  an AwardGoal                  N [form] [colour], C [divisor] [colour], V, R
//   faward   0x1000008  -                               N [form] [colour]
//   task     0x1000009  a LevelGoalEntry                N [form] [colour], L, V, R [colour]
//   mplant   0x100000a  a plant bed point               as plant, with the bed's stage
//
// A FORM argument is one letter: L leaves the value, U adds 1 to a value of
// at least 1, a digit replaces it. Colours are hexadecimal (ff008000).
// Indices that come from data or from the text (award and goal indices,
// ingredients) are checked: one out of range leaves the tag unexpanded; a
// building stage beyond its type's levels costs 0.

#include <cstdint>

constexpr uint32_t kTagContextBuilding = 0x1000001;
constexpr uint32_t kTagContextPlant = 0x1000002;
constexpr uint32_t kTagContextProduct = 0x1000003;
constexpr uint32_t kTagContextRecipe = 0x1000004;
constexpr uint32_t kTagContextProfile = 0x1000005;
constexpr uint32_t kTagContextAward = 0x1000006;
constexpr uint32_t kTagContextGoal = 0x1000007;
constexpr uint32_t kTagContextFinalAward = 0x1000008;
constexpr uint32_t kTagContextTask = 0x1000009;
constexpr uint32_t kTagContextPlantBed = 0x100000a;

// The text layer's tag callback (TextTagCallback): the tag's text after "["
// and its length without the brackets, the output buffer and its capacity in
// characters (terminator included), the context kind and object. 1 when the
// tag was expanded: the markup is in the buffer, cut at its end and always
// terminated. 0 when the tag is unknown, malformed or its context does not
// fit; the text layer then leaves the tag as it stands.
int32_t ExpandTextTag(const char16_t* tag, uint32_t length, char16_t* out, uint32_t capacity, uintptr_t kind,
                      uintptr_t object);
