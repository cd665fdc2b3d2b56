// Numeric values of the Windows metafile format: record functions, modes, styles and flags.
#pragma once

#include <cstdint>

namespace pix::wmf {

// Record functions. The high byte historically holds the parameter count; records are looked up
// by the whole 16-bit value.
namespace fn {
constexpr std::uint16_t Eof = 0x0000;
constexpr std::uint16_t SaveDc = 0x001E;
constexpr std::uint16_t RealizePalette = 0x0035;
constexpr std::uint16_t SetPalEntries = 0x0037;
constexpr std::uint16_t CreatePalette = 0x00F7;
constexpr std::uint16_t SetBkMode = 0x0102;
constexpr std::uint16_t SetMapMode = 0x0103;
constexpr std::uint16_t SetRop2 = 0x0104;
constexpr std::uint16_t SetRelAbs = 0x0105;
constexpr std::uint16_t SetPolyFillMode = 0x0106;
constexpr std::uint16_t SetStretchBltMode = 0x0107;
constexpr std::uint16_t SetTextCharExtra = 0x0108;
constexpr std::uint16_t RestoreDc = 0x0127;
constexpr std::uint16_t InvertRegion = 0x012A;
constexpr std::uint16_t PaintRegion = 0x012B;
constexpr std::uint16_t SelectClipRegion = 0x012C;
constexpr std::uint16_t SelectObject = 0x012D;
constexpr std::uint16_t SetTextAlign = 0x012E;
constexpr std::uint16_t ResizePalette = 0x0139;
constexpr std::uint16_t DibCreatePatternBrush = 0x0142;
constexpr std::uint16_t SetLayout = 0x0149;
constexpr std::uint16_t DeleteObject = 0x01F0;
constexpr std::uint16_t CreatePatternBrush = 0x01F9;
constexpr std::uint16_t SetBkColor = 0x0201;
constexpr std::uint16_t SetTextColor = 0x0209;
constexpr std::uint16_t SetTextJustification = 0x020A;
constexpr std::uint16_t SetWindowOrg = 0x020B;
constexpr std::uint16_t SetWindowExt = 0x020C;
constexpr std::uint16_t SetViewportOrg = 0x020D;
constexpr std::uint16_t SetViewportExt = 0x020E;
constexpr std::uint16_t OffsetWindowOrg = 0x020F;
constexpr std::uint16_t OffsetViewportOrg = 0x0211;
constexpr std::uint16_t LineTo = 0x0213;
constexpr std::uint16_t MoveTo = 0x0214;
constexpr std::uint16_t OffsetClipRgn = 0x0220;
constexpr std::uint16_t FillRegion = 0x0228;
constexpr std::uint16_t SetMapperFlags = 0x0231;
constexpr std::uint16_t SelectPalette = 0x0234;
constexpr std::uint16_t CreatePenIndirect = 0x02FA;
constexpr std::uint16_t CreateFontIndirect = 0x02FB;
constexpr std::uint16_t CreateBrushIndirect = 0x02FC;
constexpr std::uint16_t Polygon = 0x0324;
constexpr std::uint16_t Polyline = 0x0325;
constexpr std::uint16_t ScaleWindowExt = 0x0410;
constexpr std::uint16_t ScaleViewportExt = 0x0412;
constexpr std::uint16_t ExcludeClipRect = 0x0415;
constexpr std::uint16_t IntersectClipRect = 0x0416;
constexpr std::uint16_t Ellipse = 0x0418;
constexpr std::uint16_t FloodFill = 0x0419;
constexpr std::uint16_t Rectangle = 0x041B;
constexpr std::uint16_t SetPixel = 0x041F;
constexpr std::uint16_t FrameRegion = 0x0429;
constexpr std::uint16_t AnimatePalette = 0x0436;
constexpr std::uint16_t TextOut = 0x0521;
constexpr std::uint16_t PolyPolygon = 0x0538;
constexpr std::uint16_t ExtFloodFill = 0x0548;
constexpr std::uint16_t RoundRect = 0x061C;
constexpr std::uint16_t PatBlt = 0x061D;
constexpr std::uint16_t Escape = 0x0626;
constexpr std::uint16_t CreateRegion = 0x06FF;
constexpr std::uint16_t Arc = 0x0817;
constexpr std::uint16_t Pie = 0x081A;
constexpr std::uint16_t Chord = 0x0830;
constexpr std::uint16_t BitBlt = 0x0922;
constexpr std::uint16_t DibBitBlt = 0x0940;
constexpr std::uint16_t ExtTextOut = 0x0A32;
constexpr std::uint16_t StretchBlt = 0x0B23;
constexpr std::uint16_t DibStretchBlt = 0x0B41;
constexpr std::uint16_t SetDibToDev = 0x0D33;
constexpr std::uint16_t StretchDib = 0x0F43;
} // namespace fn

enum MapMode : int {
    MmText = 1,
    MmLoMetric = 2,
    MmHiMetric = 3,
    MmLoEnglish = 4,
    MmHiEnglish = 5,
    MmTwips = 6,
    MmIsotropic = 7,
    MmAnisotropic = 8,
};

enum BkMode : int { BkTransparent = 1, BkOpaque = 2 };
enum PolyFillMode : int { FillAlternate = 1, FillWinding = 2 };
enum StretchMode : int { StretchHalftone = 4 };

enum PenStyle : int {
    PsSolid = 0,
    PsDash = 1,
    PsDot = 2,
    PsDashDot = 3,
    PsDashDotDot = 4,
    PsNull = 5,
    PsInsideFrame = 6,
    PsUserStyle = 7,
    PsAlternate = 8,
    PsStyleMask = 0x000F,
    PsEndCapSquare = 0x0100,
    PsEndCapFlat = 0x0200,
    PsEndCapMask = 0x0F00,
    PsJoinBevel = 0x1000,
    PsJoinMiter = 0x2000,
    PsJoinMask = 0xF000,
};

enum BrushStyle : int {
    BsSolid = 0,
    BsNull = 1,
    BsHatched = 2,
    BsPattern = 3,
    BsDibPattern = 5,
    BsDibPatternPt = 6,
};

enum HatchStyle : int {
    HsHorizontal = 0,
    HsVertical = 1,
    HsFDiagonal = 2,
    HsBDiagonal = 3,
    HsCross = 4,
    HsDiagCross = 5,
};

enum TextAlign : int {
    TaUpdateCp = 0x0001,
    TaRight = 0x0002,
    TaCenter = 0x0006,
    TaHorizontalMask = 0x0006,
    TaBottom = 0x0008,
    TaBaseline = 0x0018,
    TaVerticalMask = 0x0018,
};

enum ExtTextOutFlags : int {
    EtoOpaque = 0x0002,
    EtoClipped = 0x0004,
    EtoPdy = 0x2000,
};

enum ColorUsage : int { DibRgbColors = 0, DibPalColors = 1 };

enum BinaryRop : int {
    R2Black = 1,
    R2NotCopyPen = 4,
    R2Not = 6,
    R2XorPen = 7,
    R2Nop = 11,
    R2CopyPen = 13,
    R2White = 16,
};

namespace rop {
constexpr std::uint32_t SrcCopy = 0x00CC0020;
constexpr std::uint32_t SrcPaint = 0x00EE0086;
constexpr std::uint32_t SrcAnd = 0x008800C6;
constexpr std::uint32_t SrcInvert = 0x00660046;
constexpr std::uint32_t NotSrcCopy = 0x00330008;
constexpr std::uint32_t PatCopy = 0x00F00021;
constexpr std::uint32_t PatInvert = 0x005A0049;
constexpr std::uint32_t DstInvert = 0x00550009;
constexpr std::uint32_t Blackness = 0x00000042;
constexpr std::uint32_t Whiteness = 0x00FF0062;
constexpr std::uint32_t NoOp = 0x00AA0029;
} // namespace rop

} // namespace pix::wmf
