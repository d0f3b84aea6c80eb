#include "export_table.h"

#include "Tarn_DLL.h"

namespace fuzz {
namespace {

// The open functions answer with a handle: a null one counts as -101, an open one is closed.
int handle_result(void* handle) {
  return handle ? Tarn_CommClose(handle) : TARN_E_NOPORT;
}

// Outputs and inputs are sized by what each export's declaration documents as its largest.
constexpr ExportRow kRows[] = {
    // ---- Port and baud rate ----
    {"Tarn_CommOpen", [](ExportCall&) { return handle_result(Tarn_CommOpen(kMissingDevice)); }},
    {"Tarn_CommOpenWithBaud",
     [](ExportCall& c) {
       return handle_result(Tarn_CommOpenWithBaud(kMissingDevice, static_cast<unsigned>(c.arg(0))));
     }},
    {"Tarn_CommClose", [](ExportCall& c) { return Tarn_CommClose(c.port()); }},
    {"Tarn_SetCommBaud", [](ExportCall& c) { return Tarn_SetCommBaud(c.port(), c.arg(0)); }},
    // ---- Reader, card transport, sensors, LEDs ----
    {"Tarn_Reset", [](ExportCall& c) { return Tarn_Reset(c.port(), c.arg(0), c.out(92)); }},
    {"Tarn_CheckCardPosition",
     [](ExportCall& c) { return Tarn_CheckCardPosition(c.port(), c.out(1)); }},
    {"Tarn_CheckSensorStates",
     [](ExportCall& c) { return Tarn_CheckSensorStates(c.port(), c.out(7)); }},
    {"Tarn_CheckSensorVoltage",
     [](ExportCall& c) { return Tarn_CheckSensorVoltage(c.port(), c.out(12)); }},
    {"Tarn_EnterCard",
     [](ExportCall& c) {
       return Tarn_EnterCard(c.port(), c.arg(0), static_cast<unsigned>(c.arg(1)));
     }},
    {"Tarn_EnterCardUntime",
     [](ExportCall& c) { return Tarn_EnterCardUntime(c.port(), c.arg(0)); }},
    {"Tarn_MoveCard", [](ExportCall& c) { return Tarn_MoveCard(c.port(), c.arg(0)); }},
    {"Tarn_AutoTestICCard", [](ExportCall& c) { return Tarn_AutoTestICCard(c.port(), c.out(1)); }},
    {"Tarn_AutoTestRFIDCard",
     [](ExportCall& c) { return Tarn_AutoTestRFIDCard(c.port(), c.out(1)); }},
    {"Tarn_PowerOn", [](ExportCall& c) { return Tarn_PowerOn(c.port()); }},
    {"Tarn_IcCardPowerOn", [](ExportCall& c) { return Tarn_IcCardPowerOn(c.port()); }},
    {"Tarn_PowerOff", [](ExportCall& c) { return Tarn_PowerOff(c.port()); }},
    {"Tarn_IcCardPowerOff", [](ExportCall& c) { return Tarn_IcCardPowerOff(c.port()); }},
    {"Tarn_Led1Control", [](ExportCall& c) { return Tarn_Led1Control(c.port(), c.arg(0)); }},
    {"Tarn_Led2Control", [](ExportCall& c) { return Tarn_Led2Control(c.port(), c.arg(0)); }},
    {"Tarn_SetLedFlickerRate",
     [](ExportCall& c) { return Tarn_SetLedFlickerRate(c.port(), c.arg(0), c.arg(1)); }},
    // ---- Magnetic stripe, barcode, identity, counters ----
    {"Tarn_ReadMagcardDecode",
     [](ExportCall& c) {
       return Tarn_ReadMagcardDecode(c.port(), c.arg(0), c.out_int(), c.out(492));
     }},
    {"Tarn_ReadMagcardUNDecode",
     [](ExportCall& c) {
       return Tarn_ReadMagcardUNDecode(c.port(), c.arg(0), c.out_int(), c.out(492));
     }},
    {"Tarn_ClearMagCardData", [](ExportCall& c) { return Tarn_ClearMagCardData(c.port()); }},
    {"Tarn_ReadBarcode", [](ExportCall& c) { return Tarn_ReadBarcode(c.port(), c.out(30)); }},
    {"Tarn_GetMachineIDNum",
     [](ExportCall& c) { return Tarn_GetMachineIDNum(c.port(), c.out(1), c.out(91)); }},
    {"Tarn_SetMachineIDNum",
     [](ExportCall& c) {
       return Tarn_SetMachineIDNum(c.port(), c.arg(0), c.in(c.arg(0) & 0xFF));
     }},
    {"Tarn_ReadRetainCount",
     [](ExportCall& c) { return Tarn_ReadRetainCount(c.port(), c.out_int()); }},
    {"Tarn_ClearRetainCount", [](ExportCall& c) { return Tarn_ClearRetainCount(c.port()); }},
    {"Tarn_IccEnableExtIO", [](ExportCall& c) { return Tarn_IccEnableExtIO(c.port(), c.arg(0)); }},
    // ---- Without a framed exchange ----
    {"Tarn_GetSysVerion", [](ExportCall& c) { return Tarn_GetSysVerion(c.port(), c.text(19)); }},
    {"Tarn_Eot", [](ExportCall& c) { return Tarn_Eot(c.port()); }},
    {"Tarn_TestCmd", [](ExportCall& c) { return Tarn_TestCmd(c.port(), c.arg(0)); }},
    // ---- Contact CPU card ----
    {"Tarn_CpuCardColdReset",
     [](ExportCall& c) { return Tarn_CpuCardColdReset(c.port(), c.out(1), c.out(90), c.out(1)); }},
    {"Tarn_CpuCardWarmReset",
     [](ExportCall& c) {
       return Tarn_CpuCardWarmReset(c.port(), c.arg(0), c.out(1), c.out(90), c.out(1));
     }},
    {"Tarn_CpuCardPowerOff", [](ExportCall& c) { return Tarn_CpuCardPowerOff(c.port()); }},
    {"Tarn_CPUT0APDU",
     [](ExportCall& c) {
       return Tarn_CPUT0APDU(c.port(), c.arg(0), c.in(c.arg(0)), c.out(290), c.out_int());
     }},
    {"Tarn_CPUT1APDU",
     [](ExportCall& c) {
       return Tarn_CPUT1APDU(c.port(), c.arg(0), c.in(c.arg(0)), c.out(290), c.out_int());
     }},
    // ---- SIM/SAM sockets ----
    {"Tarn_SimSelect", [](ExportCall& c) { return Tarn_SimSelect(c.port(), c.arg(0)); }},
    {"Tarn_SimColdReset",
     [](ExportCall& c) { return Tarn_SimColdReset(c.port(), c.out(1), c.out(90), c.out_int()); }},
    {"Tarn_SimWarmReset",
     [](ExportCall& c) {
       return Tarn_SimWarmReset(c.port(), c.arg(0), c.out(1), c.out(90), c.out_int());
     }},
    {"Tarn_SimCardPowerOff", [](ExportCall& c) { return Tarn_SimCardPowerOff(c.port()); }},
    {"Tarn_SimT0APDU",
     [](ExportCall& c) {
       return Tarn_SimT0APDU(c.port(), c.arg(0), c.in(c.arg(0)), c.out(290), c.out_int());
     }},
    {"Tarn_SimT1APDU",
     [](ExportCall& c) {
       return Tarn_SimT1APDU(c.port(), c.arg(0), c.in(c.arg(0)), c.out(290), c.out_int());
     }},
    // ---- Contactless CPU card ----
    {"Tarn_CPUTypeACardPowerOn",
     [](ExportCall& c) { return Tarn_CPUTypeACardPowerOn(c.port(), c.out(492)); }},
    {"Tarn_CPUTypeBCardPowerOn",
     [](ExportCall& c) { return Tarn_CPUTypeBCardPowerOn(c.port(), c.out(92)); }},
    {"Tarn_CPUTypeBAPDU",
     [](ExportCall& c) {
       return Tarn_CPUTypeBAPDU(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1)), c.out(1), c.out(291),
                                c.out_int());
     }},
    {"Tarn_CPUTypeAAPDU",
     [](ExportCall& c) {
       return Tarn_CPUTypeAAPDU(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1)), c.out(1), c.out(291),
                                c.out_int());
     }},
    {"Tarn_CPUCardPowerOn",
     [](ExportCall& c) { return Tarn_CPUCardPowerOn(c.port(), c.out(492)); }},
    {"Tarn_CPUAPDU",
     [](ExportCall& c) {
       return Tarn_CPUAPDU(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1)), c.out(1), c.out(291),
                           c.out_int());
     }},
    {"Tarn_ReadSerialNumber",
     [](ExportCall& c) { return Tarn_ReadSerialNumber(c.port(), c.out(91)); }},
    // ---- Fixed EMV commands ----
    {"Tarn_SelectPSE", [](ExportCall& c) { return Tarn_SelectPSE(c.port()); }},
    {"Tarn_CPUTypeASelectPSE", [](ExportCall& c) { return Tarn_CPUTypeASelectPSE(c.port()); }},
    {"Tarn_ReadPSEDirFile", [](ExportCall& c) { return Tarn_ReadPSEDirFile(c.port()); }},
    {"Tarn_CPUTypeAReadPSEDirFile",
     [](ExportCall& c) { return Tarn_CPUTypeAReadPSEDirFile(c.port()); }},
    {"Tarn_SelectADFFile", [](ExportCall& c) { return Tarn_SelectADFFile(c.port()); }},
    {"Tarn_CPUTypeASelectADFFile",
     [](ExportCall& c) { return Tarn_CPUTypeASelectADFFile(c.port()); }},
    {"Tarn_GPOCMD", [](ExportCall& c) { return Tarn_GPOCMD(c.port()); }},
    {"Tarn_CPUTypeAGPOCMD", [](ExportCall& c) { return Tarn_CPUTypeAGPOCMD(c.port()); }},
    {"Tarn_ReadRecordFile",
     [](ExportCall& c) { return Tarn_ReadRecordFile(c.port(), c.out_int(), c.out(255)); }},
    {"Tarn_CPUTypeAReadRecordFile",
     [](ExportCall& c) { return Tarn_CPUTypeAReadRecordFile(c.port(), c.out_int(), c.out(255)); }},
    // ---- Identity number and card information ----
    {"Tarn_GetIdCardNo", [](ExportCall& c) { return Tarn_GetIdCardNo(c.port(), c.text(11)); }},
    {"Tarn_ReadInfoPOP",
     [](ExportCall& c) { return Tarn_ReadInfoPOP(c.port(), c.out(767), c.out_int()); }},
    // ---- Social-security cards ----
    {"Tarn_SelectSocialSecurityApp",
     [](ExportCall& c) { return Tarn_SelectSocialSecurityApp(c.port()); }},
    {"Tarn_SelectSocialSecurityBasicFile",
     [](ExportCall& c) { return Tarn_SelectSocialSecurityBasicFile(c.port()); }},
    {"Tarn_ReadSocialSecurityCardID",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityCardID(c.port(), c.out(9)); }},
    {"Tarn_ReadSocialSecurityIDNum",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityIDNum(c.port(), c.out(18)); }},
    {"Tarn_ReadSocialSecurityName",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityName(c.port(), c.out(30)); }},
    {"Tarn_ReadSocialSecurityGender",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityGender(c.port(), c.out(1)); }},
    {"Tarn_ReadSocialSecurityNation",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityNation(c.port(), c.out(1)); }},
    {"Tarn_ReadSocialSecurityRegional",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityRegional(c.port(), c.out(3)); }},
    {"Tarn_ReadSocialSecurityBirthDay",
     [](ExportCall& c) { return Tarn_ReadSocialSecurityBirthDay(c.port(), c.out(4)); }},
    {"Tarn_ReadSocialSecurityInfo",
     [](ExportCall& c) {
       return Tarn_ReadSocialSecurityInfo(c.port(), c.out(18), c.out(30), c.out(1), c.out(1),
                                          c.out(3), c.out(4));
     }},
    {"Tarn_AutoReadSocialSecurityInfo",
     [](ExportCall& c) {
       return Tarn_AutoReadSocialSecurityInfo(c.port(), c.out(18), c.out(30), c.out(1), c.out(1),
                                              c.out(3), c.out(4));
     }},
    {"Tarn_AutoReadSocialSecurityCardID",
     [](ExportCall& c) { return Tarn_AutoReadSocialSecurityCardID(c.port(), c.out(9)); }},
    {"Tarn_AutoReadSocialSecurityInfoAndCardID",
     [](ExportCall& c) {
       return Tarn_AutoReadSocialSecurityInfoAndCardID(c.port(), c.out(18), c.out(30), c.out(1),
                                                       c.out(1), c.out(3), c.out(4), c.out(9));
     }},
    // ---- PBOC operations through the kernel ----
    {"Tarn_PBOCGet55FieldData",
     [](ExportCall& c) {
       return Tarn_PBOCGet55FieldData(c.port(), c.arg(0), c.in(6), c.out(1), c.out(36), c.out_int(),
                                      c.out(178), c.out_int());
     }},
    {"Tarn_CPUTypeAPBOCGet55FieldData",
     [](ExportCall& c) {
       return Tarn_CPUTypeAPBOCGet55FieldData(c.port(), c.arg(0), c.in(6), c.out(1), c.out(36),
                                              c.out_int(), c.out(178), c.out_int());
     }},
    {"Tarn_ReadICCardNum",
     [](ExportCall& c) { return Tarn_ReadICCardNum(c.port(), c.out_int(), c.out(36)); }},
    {"Tarn_CPUTypeAReadICCardNum",
     [](ExportCall& c) { return Tarn_CPUTypeAReadICCardNum(c.port(), c.out_int(), c.out(36)); }},
    {"Tarn_GetTradeRecord",
     [](ExportCall& c) { return Tarn_GetTradeRecord(c.port(), c.text(10598)); }},
    {"Tarn_ElectronicBalance",
     [](ExportCall& c) { return Tarn_ElectronicBalance(c.port(), c.out(6)); }},
    // ---- AT24Cxx ----
    {"Tarn_AT24CXXRead",
     [](ExportCall& c) {
       return Tarn_AT24CXXRead(c.port(), c.arg(0), c.arg(1), c.arg(2), c.out(255));
     }},
    {"Tarn_AT24CXXWrite",
     [](ExportCall& c) {
       return Tarn_AT24CXXWrite(c.port(), c.arg(0), c.arg(1), c.arg(2), c.in(c.arg(2)));
     }},
    // ---- AT45DB041 ----
    {"Tarn_AT45DB041Reset", [](ExportCall& c) { return Tarn_AT45DB041Reset(c.port()); }},
    {"Tarn_AT45DB041Read",
     [](ExportCall& c) { return Tarn_AT45DB041Read(c.port(), c.arg(0), c.out(264)); }},
    {"Tarn_AT45DB041Write",
     [](ExportCall& c) { return Tarn_AT45DB041Write(c.port(), c.arg(0), c.in(264)); }},
    // ---- AT88SC102 ----
    {"Tarn_AT88SC102Reset", [](ExportCall& c) { return Tarn_AT88SC102Reset(c.port()); }},
    {"Tarn_AT88SC102VerifyPWD",
     [](ExportCall& c) { return Tarn_AT88SC102VerifyPWD(c.port(), c.in(2)); }},
    {"Tarn_AT88SC102Read",
     [](ExportCall& c) { return Tarn_AT88SC102Read(c.port(), c.arg(0), c.arg(1), c.out(255)); }},
    {"Tarn_AT88SC102Security1Erasure",
     [](ExportCall& c) { return Tarn_AT88SC102Security1Erasure(c.port(), c.arg(0), c.arg(1)); }},
    {"Tarn_AT88SC102Security2ErasureApp1",
     [](ExportCall& c) { return Tarn_AT88SC102Security2ErasureApp1(c.port(), c.in(6)); }},
    {"Tarn_AT88SC102Security2ErasureApp2",
     [](ExportCall& c) { return Tarn_AT88SC102Security2ErasureApp2(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_AT88SC102Write",
     [](ExportCall& c) {
       return Tarn_AT88SC102Write(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1)));
     }},
    {"Tarn_AT88SC102WritePWD",
     [](ExportCall& c) { return Tarn_AT88SC102WritePWD(c.port(), c.arg(0), c.in(6)); }},
    {"Tarn_AT88SC102SetMode",
     [](ExportCall& c) { return Tarn_AT88SC102SetMode(c.port(), c.arg(0)); }},
    {"Tarn_AT88SC102DisableEC2", [](ExportCall& c) { return Tarn_AT88SC102DisableEC2(c.port()); }},
    // ---- AT88SC1604 ----
    {"Tarn_AT88SC1604Reset", [](ExportCall& c) { return Tarn_AT88SC1604Reset(c.port()); }},
    {"Tarn_AT88SC1604VerifyPWD",
     [](ExportCall& c) { return Tarn_AT88SC1604VerifyPWD(c.port(), c.arg(0), c.in(2)); }},
    {"Tarn_AT88SC1604Read",
     [](ExportCall& c) { return Tarn_AT88SC1604Read(c.port(), c.arg(0), c.arg(1), c.out(255)); }},
    {"Tarn_AT88SC1604Erasure",
     [](ExportCall& c) { return Tarn_AT88SC1604Erasure(c.port(), c.arg(0), c.arg(1)); }},
    {"Tarn_AT88SC1604Write",
     [](ExportCall& c) {
       return Tarn_AT88SC1604Write(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1)));
     }},
    {"Tarn_AT88SC1604WritePWD",
     [](ExportCall& c) { return Tarn_AT88SC1604WritePWD(c.port(), c.arg(0), c.in(2)); }},
    {"Tarn_AT88SC1604Personalization",
     [](ExportCall& c) { return Tarn_AT88SC1604Personalization(c.port(), c.arg(0)); }},
    // ---- AT88SC1608 ----
    {"Tarn_AT88SC1608Reset", [](ExportCall& c) { return Tarn_AT88SC1608Reset(c.port()); }},
    {"Tarn_AT88SC1608VerifyPWD",
     [](ExportCall& c) { return Tarn_AT88SC1608VerifyPWD(c.port(), c.arg(0), c.in(3)); }},
    {"Tarn_AT88SC1608Read",
     [](ExportCall& c) {
       return Tarn_AT88SC1608Read(c.port(), c.arg(0), c.arg(1), c.arg(2), c.out(255));
     }},
    {"Tarn_AT88SC1608Write",
     [](ExportCall& c) {
       return Tarn_AT88SC1608Write(c.port(), c.arg(0), c.arg(1), c.arg(2), c.in(c.arg(2)));
     }},
    {"Tarn_AT88SC1608ReadFUSE",
     [](ExportCall& c) { return Tarn_AT88SC1608ReadFUSE(c.port(), c.out(1), c.out(1), c.out(1)); }},
    {"Tarn_AT88SC1608WriteFUSE", [](ExportCall& c) { return Tarn_AT88SC1608WriteFUSE(c.port()); }},
    {"Tarn_AT88SC1608InitAuth",
     [](ExportCall& c) { return Tarn_AT88SC1608InitAuth(c.port(), c.in(8)); }},
    {"Tarn_AT88SC1608VerifyAuth",
     [](ExportCall& c) { return Tarn_AT88SC1608VerifyAuth(c.port(), c.in(8)); }},
    {"Tarn_AT88SC1608WritePWD",
     [](ExportCall& c) { return Tarn_AT88SC1608WritePWD(c.port(), c.arg(0), c.in(3)); }},
    // ---- SLE4442 ----
    {"Tarn_SLE4442Reset", [](ExportCall& c) { return Tarn_SLE4442Reset(c.port()); }},
    {"Tarn_SLE4442VerifyPWD",
     [](ExportCall& c) { return Tarn_SLE4442VerifyPWD(c.port(), c.in(3)); }},
    {"Tarn_SLE4442Read",
     [](ExportCall& c) { return Tarn_SLE4442Read(c.port(), c.arg(0), c.arg(1), c.out(255)); }},
    {"Tarn_SLE4442ReadProtectBit",
     [](ExportCall& c) { return Tarn_SLE4442ReadProtectBit(c.port(), c.out(32)); }},
    {"Tarn_SLE4442ReadSafety",
     [](ExportCall& c) { return Tarn_SLE4442ReadSafety(c.port(), c.out(4)); }},
    {"Tarn_SLE4442Write",
     [](ExportCall& c) { return Tarn_SLE4442Write(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1))); }},
    {"Tarn_SLE4442WriteProtectBit",
     [](ExportCall& c) {
       return Tarn_SLE4442WriteProtectBit(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1)));
     }},
    {"Tarn_SLE4442ChangePWD",
     [](ExportCall& c) { return Tarn_SLE4442ChangePWD(c.port(), c.in(3)); }},
    // ---- SLE4428 ----
    {"Tarn_Sle4428Reset", [](ExportCall& c) { return Tarn_Sle4428Reset(c.port()); }},
    {"Tarn_Sle4428VerifyPWD",
     [](ExportCall& c) { return Tarn_Sle4428VerifyPWD(c.port(), c.in(2)); }},
    {"Tarn_Sle4428Read",
     [](ExportCall& c) { return Tarn_Sle4428Read(c.port(), c.arg(0), c.arg(1), c.out(255)); }},
    {"Tarn_Sle4428ReadProtectBit",
     [](ExportCall& c) {
       return Tarn_Sle4428ReadProtectBit(c.port(), c.arg(0), c.arg(1), c.out(255));
     }},
    {"Tarn_Sle4428Write",
     [](ExportCall& c) { return Tarn_Sle4428Write(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1))); }},
    {"Tarn_Sle4428WriteP",
     [](ExportCall& c) { return Tarn_Sle4428WriteP(c.port(), c.arg(0), c.arg(1), c.in(c.arg(1))); }},
    {"Tarn_Sle4428ChangePWD",
     [](ExportCall& c) { return Tarn_Sle4428ChangePWD(c.port(), c.in(2)); }},
    // ---- Mifare S50 and S70 ----
    {"Tarn_S50DetectCard", [](ExportCall& c) { return Tarn_S50DetectCard(c.port()); }},
    {"Tarn_S70DetectCard", [](ExportCall& c) { return Tarn_S70DetectCard(c.port()); }},
    {"Tarn_S50GetCardID", [](ExportCall& c) { return Tarn_S50GetCardID(c.port(), c.out(4)); }},
    {"Tarn_S70GetCardID", [](ExportCall& c) { return Tarn_S70GetCardID(c.port(), c.out(4)); }},
    {"Tarn_S50LoadSecKey",
     [](ExportCall& c) { return Tarn_S50LoadSecKey(c.port(), c.arg(0), c.arg(1), c.in(6)); }},
    {"Tarn_S70LoadSecKey",
     [](ExportCall& c) { return Tarn_S70LoadSecKey(c.port(), c.arg(0), c.arg(1), c.in(6)); }},
    {"Tarn_S50ReadBlock",
     [](ExportCall& c) { return Tarn_S50ReadBlock(c.port(), c.arg(0), c.out(16)); }},
    {"Tarn_S70ReadBlock",
     [](ExportCall& c) { return Tarn_S70ReadBlock(c.port(), c.arg(0), c.out(16)); }},
    {"Tarn_S50WriteBlock",
     [](ExportCall& c) { return Tarn_S50WriteBlock(c.port(), c.arg(0), c.in(16)); }},
    {"Tarn_S70WriteBlock",
     [](ExportCall& c) { return Tarn_S70WriteBlock(c.port(), c.arg(0), c.in(16)); }},
    {"Tarn_S50InitValue",
     [](ExportCall& c) { return Tarn_S50InitValue(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_S70InitValue",
     [](ExportCall& c) { return Tarn_S70InitValue(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_S50Increment",
     [](ExportCall& c) { return Tarn_S50Increment(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_S70Increment",
     [](ExportCall& c) { return Tarn_S70Increment(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_S50Decrement",
     [](ExportCall& c) { return Tarn_S50Decrement(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_S70Decrement",
     [](ExportCall& c) { return Tarn_S70Decrement(c.port(), c.arg(0), c.in(4)); }},
    {"Tarn_S50Halt", [](ExportCall& c) { return Tarn_S50Halt(c.port()); }},
    {"Tarn_S70Halt", [](ExportCall& c) { return Tarn_S70Halt(c.port()); }},
    {"Tarn_S50ModifyKey",
     [](ExportCall& c) { return Tarn_S50ModifyKey(c.port(), c.arg(0), c.arg(1), c.in(6)); }},
    {"Tarn_S70ModifyKey",
     [](ExportCall& c) { return Tarn_S70ModifyKey(c.port(), c.arg(0), c.arg(1), c.in(6)); }},
    // ---- Mifare UltraLight ----
    {"Tarn_ULDetectCard", [](ExportCall& c) { return Tarn_ULDetectCard(c.port()); }},
    {"Tarn_ULGetCardID", [](ExportCall& c) { return Tarn_ULGetCardID(c.port(), c.out(7)); }},
    {"Tarn_ULReadBlock",
     [](ExportCall& c) { return Tarn_ULReadBlock(c.port(), c.arg(0), c.out(16)); }},
    {"Tarn_ULWriteBlock",
     [](ExportCall& c) { return Tarn_ULWriteBlock(c.port(), c.arg(0), c.in(16)); }},
    {"Tarn_ULHalt", [](ExportCall& c) { return Tarn_ULHalt(c.port()); }},
    // ---- ISO 15693 tags ----
    {"Tarn_15693GetUid", [](ExportCall& c) { return Tarn_15693GetUid(c.port(), c.out(8)); }},
    {"Tarn_15693ReadData",
     [](ExportCall& c) {
       return Tarn_15693ReadData(c.port(), c.arg(0), c.in(8), c.arg(1), c.arg(2), c.out(2991),
                                 c.out(1));
     }},
    {"Tarn_15693WriteData",
     [](ExportCall& c) {
       return Tarn_15693WriteData(c.port(), c.arg(0), c.in(8), c.arg(1), c.arg(2),
                                  c.in(4 * (c.arg(2) & 0xFF)), c.out(1));
     }},
    {"Tarn_15693ChooseCard",
     [](ExportCall& c) { return Tarn_15693ChooseCard(c.port(), c.arg(0), c.in(8)); }},
    {"Tarn_15693GetMessage",
     [](ExportCall& c) { return Tarn_15693GetMessage(c.port(), c.arg(0), c.in(8), c.out(15)); }},
    {"Tarn_15693ReadSafeBit",
     [](ExportCall& c) {
       return Tarn_15693ReadSafeBit(c.port(), c.arg(0), c.in(8), c.arg(1), c.arg(2), c.out(1),
                                    c.out(2991));
     }},
    {"Tarn_15693WriteDSFID",
     [](ExportCall& c) { return Tarn_15693WriteDSFID(c.port(), c.arg(0), c.in(8), c.arg(1)); }},
    {"Tarn_15693WriteAFI",
     [](ExportCall& c) { return Tarn_15693WriteAFI(c.port(), c.arg(0), c.in(8), c.arg(1)); }},
    {"Tarn_15693LockBlock",
     [](ExportCall& c) { return Tarn_15693LockBlock(c.port(), c.arg(0), c.in(8), c.arg(1)); }},
    {"Tarn_15693LockAFI",
     [](ExportCall& c) { return Tarn_15693LockAFI(c.port(), c.arg(0), c.in(8)); }},
    {"Tarn_15693LockDSFID",
     [](ExportCall& c) { return Tarn_15693LockDSFID(c.port(), c.arg(0), c.in(8)); }},
};

}  // namespace

std::span<const ExportRow> export_table() {
  return kRows;
}

}  // namespace fuzz
