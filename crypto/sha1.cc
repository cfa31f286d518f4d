#include "crypto/sha1.h"

#include <cstring>

namespace crypto {
namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

}  // namespace

Sha1::Sha1() : state_{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0} {}

void Sha1::ProcessBlock(const uint8_t* block) {
  uint32_t w[80];
  for (int i = 0; i < 16; ++i) {
    w[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) |
           (uint32_t{block[4 * i + 2]} << 8) | uint32_t{block[4 * i + 3]};
  }
  for (int i = 16; i < 80; ++i)
    w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
}

void Sha1::Update(const void* input, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(input);
  total_length_ += length;
  if (buffered_ > 0) {
    const size_t take = length < 64 - buffered_ ? length : 64 - buffered_;
    memcpy(buffer_ + buffered_, bytes, take);
    buffered_ += take;
    bytes += take;
    length -= take;
    if (buffered_ < 64)
      return;
    ProcessBlock(buffer_);
    buffered_ = 0;
  }
  for (; length >= 64; bytes += 64, length -= 64)
    ProcessBlock(bytes);
  memcpy(buffer_, bytes, length);
  buffered_ = length;
}

void Sha1::Final(uint8_t digest[kSHA1Length]) {
  const uint64_t bit_length = total_length_ * 8;
  uint8_t padding[72] = {0x80};
  // Pad to 56 bytes modulo 64, then the length as 64-bit big-endian.
  const size_t pad = buffered_ < 56 ? 56 - buffered_ : 120 - buffered_;
  for (int i = 0; i < 8; ++i)
    padding[pad + i] = static_cast<uint8_t>(bit_length >> (56 - 8 * i));
  Update(padding, pad + 8);
  for (int i = 0; i < 5; ++i) {
    digest[4 * i] = static_cast<uint8_t>(state_[i] >> 24);
    digest[4 * i + 1] = static_cast<uint8_t>(state_[i] >> 16);
    digest[4 * i + 2] = static_cast<uint8_t>(state_[i] >> 8);
    digest[4 * i + 3] = static_cast<uint8_t>(state_[i]);
  }
}

}  // namespace crypto
