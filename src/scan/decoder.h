// A streaming decoder for one of the compressed formats: compressed bytes in,
// text out, in pieces of any size, over any number of concatenated streams
// (gzip members, zstd frames, bzip2 and xz streams), as the libraries decode
// them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "scan/inputformat.h"

class Decoder {
  public:
    virtual ~Decoder() = default;

    // Null for Compression::None.
    static std::unique_ptr<Decoder> create(Compression compression);

    // Decodes from `in` (`inSize` bytes; `consumed` of them used) into `out`
    // (`produced` of `outSize` bytes written). `finish` says that no input
    // follows `in`. False when the input is damaged: damage() says how.
    virtual bool decode(const char* in, size_t inSize, size_t& consumed, char* out, size_t outSize,
                        size_t& produced, bool finish) = 0;
    // Whether the input decoded so far ends where a stream ends, so that the
    // end of the input there is no truncation.
    virtual bool complete() const = 0;

    const std::string& damage() const { return message; }

  protected:
    std::string message;
};
