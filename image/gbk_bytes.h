// GBK as the byte-level routines see it: 0x81..0xFE starts a two-byte character, whose second
// byte may be any of 0x40..0xFE (so an ASCII byte can follow a lead byte as its second half);
// every other byte stands alone.
#pragma once

namespace tockly::image {

inline constexpr bool is_gbk_lead_byte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace tockly::image
