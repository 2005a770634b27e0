// Bit readers of the entropy-coded segments (T.81 F.2.2.4 to F.2.2.5) shared
// by the sequential and the progressive block decoders. Both readers return
// the same bit sequence: the plain one refills 16 bits at a time through the
// marker-aware byte reader; the fast one refills 48 bits at once straight
// from the input buffer whenever no 0xFF can occur in them.
// The decoders are templates over the reader, which they copy into locals
// for the length of one MCU row.
#pragma once

#include "image/jpeg/jpeg_decoder.h"

int ReadEntropyByte(JpegState& s);
void PrimePlainReader(JpegState& s);
void PrimeFastReader(JpegState& s);
void ProcessRestart(JpegState& s);
uint64_t FetchEntropyBytes48(JpegState& s);

// EXTEND (T.81 F.2.2.1) for sizes 0 to 16.
inline int ExtendValue(int v, int nSize) {
    return v < ((1 << nSize) >> 1) ? v - (1 << nSize) + 1 : v;
}

struct PlainBitReader {
    JpegState& s;
    uint32_t w;
    int c;

    explicit PlainBitReader(JpegState& state) : s(state), w(state.dwPlainWindow), c(state.nPlainBits) {}
    void Store() {
        s.dwPlainWindow = w;
        s.nPlainBits = c;
    }
    void Load() {
        w = s.dwPlainWindow;
        c = s.nPlainBits;
    }
    static uint32_t Rotate(uint32_t x, int n) {
        n &= 31;
        return n ? (x << n) | (x >> (32 - n)) : x;
    }
    int Read(int n) {
        int nResult = static_cast<int>((w >> (16 - n)) & ((1u << n) - 1));
        int cOld = c;
        c -= n;
        if (c > 0) {
            w = Rotate(w, n);
        } else {
            w = Rotate(w, cOld);
            uint32_t b1 = static_cast<uint32_t>(ReadEntropyByte(s));
            uint32_t b2 = static_cast<uint32_t>(ReadEntropyByte(s));
            w = (w & 0xFFFF) | (b1 << 24) | (b2 << 16);
            w = Rotate(w, -c);
            c += 16;
        }
        return nResult;
    }
    int PeekFast() const { return static_cast<int>((w >> (16 - kJpegFastBits)) & ((1 << kJpegFastBits) - 1)); }
    int Peek16() const { return static_cast<int>(w & 0xFFFF); }
    void Skip(int n) { Read(n); }
    int Decode(const HuffmanLookup* h) {
        int e = h->lookup[(w >> 8) & 0xFF];
        if (e >= 0) {
            Read(h->codeLength[e]);
            return e;
        }
        Read(8);
        for (int nDepth = 0; nDepth < 8; ++nDepth) {
            int nChild = h->tree[Read(1) ? -e - 1 : -e];
            if (nChild >= 0) return nChild;
            e = nChild;
        }
        return 0;
    }
};

struct FastBitReader {
    JpegState& s;
    uint64_t w;
    int k;

    explicit FastBitReader(JpegState& state) : s(state), w(state.qwFastWindow), k(state.nFastBits) {}
    void Store() {
        s.qwFastWindow = w;
        s.nFastBits = k;
    }
    void Load() {
        w = s.qwFastWindow;
        k = s.nFastBits;
    }
    int Read(int n) {
        int nResult = static_cast<int>((w >> 1) >> (63 - n));   // the top n bits, 0 for n = 0
        int kOld = k;
        k -= n;
        if (k > 0) {
            w <<= n;
            return nResult;
        }
        w <<= kOld;
        w |= FetchEntropyBytes48(s);
        w <<= -k;
        k += 48;
        return nResult;
    }
    int PeekFast() const { return static_cast<int>(w >> (64 - kJpegFastBits)); }
    int Peek16() const { return static_cast<int>(w >> 48); }   // the window holds k + 16 bits
    void Skip(int n) {
        int kOld = k;
        k -= n;
        if (k > 0) {
            w <<= n;
            return;
        }
        w <<= kOld;
        w |= FetchEntropyBytes48(s);
        w <<= -k;
        k += 48;
    }
    int Decode(const HuffmanLookup* h) {
        uint32_t dwPeek = static_cast<uint32_t>(w >> 48);
        int e = h->lookup[dwPeek >> 8];
        if (e >= 0) {
            Read(h->codeLength[e]);
            return e;
        }
        for (int nBit = 7; nBit >= 0; --nBit) {
            int nChild = h->tree[((dwPeek >> nBit) & 1) ? -e - 1 : -e];
            if (nChild >= 0) {
                Read(16 - nBit);
                return nChild;
            }
            e = nChild;
        }
        Read(16);
        return 0;
    }
};
