// Public face of the JPEG decoder: construction up to the frame header, frame
// set-up (layout choice and all per-image buffers, sized once), scan set-up
// with the hand-over from the header bit reader to the entropy bit reader,
// the end-of-image search of sequential images, and the memory stream.
// Every public operation that can fail catches the JpegFailure thrown by
// Fail, which has already released the pool and detached the stream.
#include <cstring>

#include "image/jpeg/jpeg_decoder.h"

JpegState& JpegDecoderState(JpegDecoder& decoder) { return decoder.m_state; }

// --- Streams -----------------------------------------------------------------

JpegStream::~JpegStream() = default;
void JpegStream::attach() {}
void JpegStream::detach() {}

JpegMemoryStream::JpegMemoryStream(const void* pData, uint32_t nSize)
    : data(static_cast<const uint8_t*>(pData)), size(nSize), consumed(0) {}

int JpegMemoryStream::read(uint8_t* pBuffer, int maxCount, bool* pEndOfStream) {
    uint32_t nMax = maxCount > 0 ? static_cast<uint32_t>(maxCount) : 0;
    uint32_t n = size - consumed < nMax ? size - consumed : nMax;
    if (n > 0) {
        std::memcpy(pBuffer, data, n);
        data += n;
        consumed += n;
    } else {
        *pEndOfStream = true;
    }
    return static_cast<int>(n);
}

// --- Frame and scan set-up ---------------------------------------------------

static void ChooseLayout(JpegState& s) {
    if (s.nComponents == 1) {
        if (s.comp[0].nH == 0 || s.comp[0].nV == 0) Fail(s, JPEG_ERR_SAMPLING);
        s.nLayout = LayoutGray;
        return;
    }
    if (s.nComponents != 3) Fail(s, JPEG_ERR_COMPONENT_COUNT);
    for (int i = 1; i < 3; ++i)
        if (s.comp[i].nH != 1 || s.comp[i].nV != 1) Fail(s, JPEG_ERR_SAMPLING);
    int nH = s.comp[0].nH;
    int nV = s.comp[0].nV;
    if (nH == 1 && nV == 1)
        s.nLayout = Layout444;
    else if (nH == 2 && nV == 1)
        s.nLayout = Layout422;
    else if (nH == 1 && nV == 2)
        s.nLayout = Layout440;
    else if (nH == 2 && nV == 2)
        s.nLayout = Layout420;
    else
        Fail(s, JPEG_ERR_SAMPLING);
}

static void SetUpFrame(JpegState& s) {
    ChooseLayout(s);
    for (int i = 0; i < s.nComponents; ++i)
        if (s.comp[i].nQuantSlot > 3) Fail(s, JPEG_ERR_NO_QUANT_TABLE);

    static const int kBlocks[] = {1, 3, 4, 4, 6};
    static const int kMcuWidth[] = {8, 8, 16, 8, 16};
    static const int kMcuHeight[] = {8, 8, 8, 16, 16};
    s.nBlocksPerMcu = kBlocks[s.nLayout];
    s.nMcuWidth = kMcuWidth[s.nLayout];
    s.nMcuHeight = kMcuHeight[s.nLayout];
    s.nMcusPerRow = (s.nWidth + s.nMcuWidth - 1) / s.nMcuWidth;
    s.nMcusPerCol = (s.nHeight + s.nMcuHeight - 1) / s.nMcuHeight;
    s.nHmax = 0;
    s.nVmax = 0;
    for (int i = 0; i < s.nComponents; ++i) {
        if (s.comp[i].nH > s.nHmax) s.nHmax = s.comp[i].nH;
        if (s.comp[i].nV > s.nVmax) s.nVmax = s.comp[i].nV;
    }
    for (int i = 0; i < s.nComponents; ++i) {
        FrameComponent& c = s.comp[i];
        c.nBlockCols = ((s.nWidth * c.nH + s.nHmax - 1) / s.nHmax + 7) / 8;
        c.nBlockRows = ((s.nHeight * c.nV + s.nVmax - 1) / s.nVmax + 7) / 8;
    }

    s.nBytesPerPixel = s.nLayout == LayoutGray ? 1 : 4;
    s.nLineLength = s.nWidth * s.nBytesPerPixel;
    size_t nPadded = static_cast<size_t>((s.nWidth + 15) & ~15) * static_cast<size_t>(s.nBytesPerPixel);
    s.pLine[0] = static_cast<uint8_t*>(PoolAllocate(s, nPadded + 8));
    s.pLine[1] = static_cast<uint8_t*>(PoolAllocate(s, nPadded + 8));

    s.nBlocksPerRow = s.nMcusPerRow * s.nBlocksPerMcu;
    if (s.nBlocksPerRow > kJpegMaxBlocksPerRow) Fail(s, JPEG_ERR_BLOCKS);
    size_t nBlocks = static_cast<size_t>(s.nBlocksPerRow);
    s.pCoef = static_cast<int16_t*>(PoolAllocate(s, nBlocks * 128));
    s.pExtent = static_cast<uint8_t*>(PoolAllocate(s, nBlocks));
    std::memset(s.pExtent, 64, nBlocks);
    s.pSamples = static_cast<uint8_t*>(PoolAllocate(s, nBlocks * 64));
    s.nLinesLeft = s.nHeight;
    s.nRowLinesLeft = 0;
    BuildColorTables(s);
}

// T.81 A.2.2 (one component) and A.2.3 (interleaved).
void ComputeMcuOrder(JpegState& s) {
    if (s.nScanComponents == 1) {
        const FrameComponent& c = s.comp[s.scanComp[0]];
        s.nScanMcusPerRow = c.nBlockCols;
        s.nScanMcusPerCol = c.nBlockRows;
        s.nScanBlocksPerMcu = 1;
        s.mcuComp[0] = s.scanComp[0];
        return;
    }
    s.nScanMcusPerRow = ((s.nWidth + 7) / 8 + s.nHmax - 1) / s.nHmax;
    s.nScanMcusPerCol = ((s.nHeight + 7) / 8 + s.nVmax - 1) / s.nVmax;
    int n = 0;
    for (int i = 0; i < s.nScanComponents; ++i) {
        const FrameComponent& c = s.comp[s.scanComp[i]];
        for (int j = 0; j < c.nH * c.nV; ++j) {
            if (n == kJpegMaxMcuBlocks) Fail(s, JPEG_ERR_SCAN_HEADER);
            s.mcuComp[n++] = s.scanComp[i];
        }
    }
    s.nScanBlocksPerMcu = n;
}

static void CheckScanTables(JpegState& s) {
    for (int i = 0; i < s.nScanComponents; ++i) {
        const FrameComponent& c = s.comp[s.scanComp[i]];
        if (c.nDcSlot > 3 || c.nAcSlot - 4 > 3) Fail(s, JPEG_ERR_NO_HUFFMAN_TABLE);
        if (s.nSs == 0 && !s.huff[c.nDcSlot].pLookup) Fail(s, JPEG_ERR_NO_HUFFMAN_TABLE);
        if (s.nSe > 0 && !s.huff[c.nAcSlot].pLookup) Fail(s, JPEG_ERR_NO_HUFFMAN_TABLE);
    }
    for (int b = 0; b < s.nScanBlocksPerMcu; ++b) {
        const FrameComponent& c = s.comp[s.mcuComp[b]];
        s.mcuDc[b] = s.huff[c.nDcSlot].pLookup;
        s.mcuAc[b] = s.huff[c.nAcSlot].pLookup;
    }
    for (int i = 0; i < s.nScanComponents; ++i)
        if (!s.pQuant[s.comp[s.scanComp[i]].nQuantSlot]) Fail(s, JPEG_ERR_NO_QUANT_TABLE);
}

// Returns the bytes the header bit reader fetched but did not return, so the
// next input byte is the first one after the scan header.
static void HandOverToEntropyReader(JpegState& s) {
    uint32_t w = s.dwHeaderWindow;
    int c = s.nHeaderBits;
    if (c == 16) PushBackByte(s, (w >> 16) & 0xFF);
    if (c >= 8) PushBackByte(s, (w >> 24) & 0xFF);
    PushBackByte(s, w & 0xFF);
    PushBackByte(s, (w >> 8) & 0xFF);
    PrimeEntropyReader(s);
}

bool SetUpScan(JpegState& s) {
    int nMarker = ProcessMarkers(s);
    if (nMarker == 0xD9) return false;
    if (nMarker != 0xDA) Fail(s, JPEG_ERR_UNEXPECTED_MARKER);
    ReadScanHeader(s);
    if (!s.bProgressive) {
        // The row decoder fills the frame's interleaved layout, so the first
        // scan must carry every component in frame order.
        if (s.nScanComponents != s.nComponents) Fail(s, JPEG_ERR_UNEXPECTED_MARKER);
        for (int i = 0; i < s.nScanComponents; ++i)
            if (s.scanComp[i] != i) Fail(s, JPEG_ERR_UNEXPECTED_MARKER);
    }
    ComputeMcuOrder(s);
    CheckScanTables(s);
    for (FrameComponent& c : s.comp) c.nPredictor = 0;
    s.nEobRun = 0;
    if (s.nRestartInterval != 0) {
        s.nRestartsLeft = s.nRestartInterval;
        s.nNextRestart = 0;
    }
    s.bFastBitReader = s.nReaderChoice != BitReaderPlain;
    HandOverToEntropyReader(s);
    return true;
}

void FindEndOfImage(JpegState& s) {
    PrimeHeaderBits(s);
    ProcessMarkers(s);
}

// --- Public operations -------------------------------------------------------

JpegDecoder::JpegDecoder(JpegStream* pStream, bool useFastPaths) : m_state() {
    JpegState& s = m_state;
    s.pStream = pStream;
    s.bUseFastPaths = useFastPaths;
    s.bUseSimd = JpegSimdAvailable();
    s.bUseAvx2 = JpegAvx2Available();
    s.nReaderChoice = BitReaderAuto;
    if (!pStream) s.bEndOfStream = true;
    try {
        if (pStream) pStream->attach();
        RefillInput(s);
        PrimeHeaderBits(s);
        LocateFrame(s);
    } catch (const JpegFailure&) {
    }
}

JpegDecoder::~JpegDecoder() {
    ReleasePool(m_state);
    if (m_state.pStream) {
        JpegStream* pStream = m_state.pStream;
        m_state.pStream = nullptr;
        pStream->detach();
    }
}

int JpegDecoder::errorCode() const { return m_state.nErrorCode; }
int JpegDecoder::width() const { return m_state.nWidth; }
int JpegDecoder::height() const { return m_state.nHeight; }
int JpegDecoder::bytesPerPixel() const { return m_state.nBytesPerPixel; }

int JpegDecoder::beginDecoding() {
    JpegState& s = m_state;
    if (s.nErrorCode != 0) return -1;
    if (s.bReady) return 0;
    try {
        SetUpFrame(s);
        if (s.bProgressive)
            DecodeProgressiveScans(s);
        else if (!SetUpScan(s))
            Fail(s, JPEG_ERR_UNEXPECTED_MARKER);
        s.bReady = true;
    } catch (const JpegFailure&) {
        return -1;
    }
    return 0;
}

int JpegDecoder::decodeLine(const uint8_t** ppLine, uint32_t* pLength) {
    return DecodeNextLine(m_state, ppLine, pLength);
}

int JpegDecoder::decodeLine(uint8_t** ppLine, uint32_t* pLength) {
    const uint8_t* pLine = nullptr;
    int nResult = DecodeNextLine(m_state, &pLine, pLength);
    if (nResult == 0) *ppLine = const_cast<uint8_t*>(pLine);
    return nResult;
}
