#pragma once
// The MC68901 MFP's register image (hw.mfp, $FFFA00-$FFFAFF): the registers sit at the odd
// bytes. Other chips pull its general-purpose inputs, so the offsets and the input lines
// are the board's, not only the MFP's (peripherals/mfp.h).
#include <cstdint>

enum MfpRegister : int {
    MFP_GPIP = 0x01, MFP_AER = 0x03, MFP_DDR = 0x05,
    MFP_IERA = 0x07, MFP_IERB = 0x09, MFP_IPRA = 0x0B, MFP_IPRB = 0x0D,
    MFP_ISRA = 0x0F, MFP_ISRB = 0x11, MFP_IMRA = 0x13, MFP_IMRB = 0x15, MFP_VR = 0x17,
    MFP_TACR = 0x19, MFP_TBCR = 0x1B, MFP_TCDCR = 0x1D,
    MFP_TADR = 0x1F, MFP_TBDR = 0x21, MFP_TCDR = 0x23, MFP_TDDR = 0x25,
    MFP_SCR = 0x27, MFP_UCR = 0x29, MFP_RSR = 0x2B, MFP_TSR = 0x2D, MFP_UDR = 0x2F,
};

// GPIP inputs (active low): keyboard and MIDI ACIAs, floppy controller; bit 7 is the
// monochrome monitor detect (1: colour, as here) combined by exclusive-or with the STE's
// DMA sound frame line.
constexpr uint8_t MFP_GPIP_ACIA = 0x10;
constexpr uint8_t MFP_GPIP_FDC = 0x20;
constexpr uint8_t MFP_GPIP_COLOUR_MONITOR = 0x80;
