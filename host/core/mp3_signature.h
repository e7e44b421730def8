// Whether a file's first bytes look like an MP3: an ID3v2 tag, or an MPEG audio frame header
// followed, at the length that header gives, by a second header of the same stream. The MP3
// command answers from this at once, before any sound device is asked; it needs only the first
// bytes of a file, never the whole of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tockly::host {

// How much of a file's start the check looks at: enough for two frames of any bit rate (the
// largest frame, MPEG 1 layer II at 384 kbit/s and 32 kHz, takes 1,728 bytes) after a little
// padding or junk.
inline constexpr std::size_t kMp3SignatureBytes = 4096;

// `head` is the start of the file (at most kMp3SignatureBytes of it are looked at).
bool looks_like_mp3(std::span<const std::uint8_t> head);

}  // namespace tockly::host
