// The remote access service's ANSI structures in their version 4.0 layouts, and the
// constants the program relies on. Declared here rather than taken from <ras.h>, whose
// layouts follow WINVER and would grow fields the service of that version never had.
#pragma once

#include <cstdint>

#ifdef _WIN32
#define RAS_API __stdcall
#else
#define RAS_API
#endif

typedef struct HRASCONN__* HRASCONN;
typedef uint32_t RASCONNSTATE;

// Field widths (terminator included).
constexpr int kRasEntryNameLen = 256 + 1;
constexpr int kRasDeviceTypeLen = 16 + 1;
constexpr int kRasDeviceNameLen = 128 + 1;
constexpr int kRasPhoneNumberLen = 128 + 1;
constexpr int kRasCallbackNumberLen = 128 + 1;
constexpr int kRasUserNameLen = 256 + 1;
constexpr int kRasPasswordLen = 256 + 1;
constexpr int kRasDomainLen = 15 + 1;
constexpr int kRasAreaCodeLen = 10 + 1;
constexpr int kRasPathLen = 260;
constexpr int kRasX25PadTypeLen = 32 + 1;
constexpr int kRasX25AddressLen = 200 + 1;
constexpr int kRasX25FacilitiesLen = 200 + 1;
constexpr int kRasX25UserDataLen = 200 + 1;

// dwSize values the service expects of that version: the sizeof of the structures below. Only
// RASCONN holds a pointer, so only it differs between a 32-bit program (412) and a 64-bit one
// (424: the handle is 8 bytes at offset 8). The Windows builds check both at compile time.
constexpr uint32_t kRasConnSize = sizeof(void*) == 8 ? 424 : 412;
constexpr uint32_t kRasConnStatusSize = 160;
constexpr uint32_t kRasEntryNameSize = 264;
constexpr uint32_t kRasDialParamsSize = 1052;
constexpr uint32_t kRasEntrySize = 1768;

struct RASCONNA {
    uint32_t dwSize;
    HRASCONN hrasconn;
    char szEntryName[kRasEntryNameLen];
    char szDeviceType[kRasDeviceTypeLen];
    char szDeviceName[kRasDeviceNameLen];
};

struct RASCONNSTATUSA {
    uint32_t dwSize;
    RASCONNSTATE rasconnstate;
    uint32_t dwError;
    char szDeviceType[kRasDeviceTypeLen];
    char szDeviceName[kRasDeviceNameLen];
};

struct RASENTRYNAMEA {
    uint32_t dwSize;
    char szEntryName[kRasEntryNameLen];
};

struct RASDIALPARAMSA {
    uint32_t dwSize;
    char szEntryName[kRasEntryNameLen];
    char szPhoneNumber[kRasPhoneNumberLen];
    char szCallbackNumber[kRasCallbackNumberLen];
    char szUserName[kRasUserNameLen];
    char szPassword[kRasPasswordLen];
    char szDomain[kRasDomainLen];
};

struct RASENTRYA {
    uint32_t dwSize;
    uint32_t dwfOptions;
    uint32_t dwCountryID;
    uint32_t dwCountryCode;
    char szAreaCode[kRasAreaCodeLen];
    char szLocalPhoneNumber[kRasPhoneNumberLen];
    uint32_t dwAlternateOffset;
    uint32_t ipaddr;
    uint32_t ipaddrDns;
    uint32_t ipaddrDnsAlt;
    uint32_t ipaddrWins;
    uint32_t ipaddrWinsAlt;
    uint32_t dwFrameSize;
    uint32_t dwfNetProtocols;
    uint32_t dwFramingProtocol;
    char szScript[kRasPathLen];
    char szAutodialDll[kRasPathLen];
    char szAutodialFunc[kRasPathLen];
    char szDeviceType[kRasDeviceTypeLen];
    char szDeviceName[kRasDeviceNameLen];
    char szX25PadType[kRasX25PadTypeLen];
    char szX25Address[kRasX25AddressLen];
    char szX25Facilities[kRasX25FacilitiesLen];
    char szX25UserData[kRasX25UserDataLen];
    uint32_t dwChannels;
    uint32_t dwReserved1;
    uint32_t dwReserved2;
};

typedef RASCONNA RASCONN;
typedef RASCONNSTATUSA RASCONNSTATUS;
typedef RASENTRYNAMEA RASENTRYNAME;
typedef RASDIALPARAMSA RASDIALPARAMS;
typedef RASENTRYA RASENTRY;

// The dial-event function of notifier type 0 (RasDialFunc).
typedef void(RAS_API* RasDialFunc)(unsigned message, RASCONNSTATE state, uint32_t error);

constexpr RASCONNSTATE RASCS_DeviceConnected = 3;
constexpr RASCONNSTATE RASCS_Connected = 0x2000;
constexpr RASCONNSTATE RASCS_Disconnected = 0x2001;
constexpr RASCONNSTATE RASCS_DONE = 0x2000;

constexpr unsigned WM_RASDIALEVENT = 0xCCCD;

constexpr uint32_t kRasSuccess = 0;

// The platform's own names for these results; <windows.h> may have defined the first.
#ifndef ERROR_INVALID_HANDLE
#define ERROR_INVALID_HANDLE 6L
#endif
#ifndef ERROR_BUFFER_TOO_SMALL
#define ERROR_BUFFER_TOO_SMALL 603L
#endif
