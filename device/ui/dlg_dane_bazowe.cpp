#include "device/ui/dlg_dane_bazowe.h"

#include "device/settings_limits.h"
#include "res/resource.h"

namespace {
using namespace settings_limits;
constexpr double kMinVoltage = kMinLowSupplyTenths / 10.0;
constexpr double kMaxVoltage = kMaxLowSupplyTenths / 10.0;

// The record keeps the level in tenths of a volt. Every tenth typed with one decimal (and
// every byte shown) converts back to the same byte, so truncation loses no stored value.
double VoltageFromTenths(std::uint8_t tenths) {
    return tenths / 10.0;
}
// Only a refused entry can lie outside the byte, and its record is never written.
std::uint8_t VoltageToTenths(double volts) {
    const double tenths = volts * 10.0;
    if (!(tenths >= 0.0)) {
        return 0;
    }
    return tenths >= 255.0 ? 255 : static_cast<std::uint8_t>(tenths);
}
} // namespace

CDlgDaneBazowe::CDlgDaneBazowe(CWnd* parent) : CDialog(IDD_DANE_BAZOWE, parent) {}

const AFX_MSGMAP* CDlgDaneBazowe::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CDlgDaneBazowe>(
        CDialog::GetThisMessageMap(), {
                                          OnMessageEntry(WM_DESTROY, &CDlgDaneBazowe::OnDestroy),
                                      });
    return &map;
}

BOOL CDlgDaneBazowe::OnInitDialog() {
    m_factoryNumber = m_record.FactoryNumber();
    m_driveUp = m_record.DriveConstantUp();
    m_driveDown = m_record.DriveConstantDown();
    m_description = m_record.Description();
    m_routeLength = m_record.RouteLength();
    for (int i = 0; i < 4; ++i) {
        m_checkPoints[i] = m_record.CheckPoint(i);
        // Any byte but 0 marks a check point; saving writes it back as 1.
        m_checkPointFlags[i] = m_record.CheckPointFlag(i) != 0 ? 1 : 0;
    }
    m_zoneWidth = m_record.ZoneWidth();
    m_voltageLevel = VoltageFromTenths(m_record.VoltageLevel());
    return CDialog::OnInitDialog();
}

void CDlgDaneBazowe::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_FACTORY_NUMBER, m_factoryNumber);
    DDV_MinMaxUInt(pDX, m_factoryNumber, kMinFactoryNumber, kMaxFactoryNumber);
    DDX_Text(pDX, IDC_DESCRIPTION, m_description);
    DDV_MaxChars(pDX, m_description, static_cast<int>(kDescriptionMaxChars));
    DDX_Text(pDX, IDC_DRIVE_UP, m_driveUp);
    DDV_MinMaxUInt(pDX, m_driveUp, kMinDriveConstant, kMaxDriveConstant);
    DDX_Text(pDX, IDC_DRIVE_DOWN, m_driveDown);
    DDV_MinMaxUInt(pDX, m_driveDown, kMinDriveConstant, kMaxDriveConstant);
    DDX_Text(pDX, IDC_ROUTE_LENGTH, m_routeLength);
    DDV_MinMaxUInt(pDX, m_routeLength, kMinPositionMetres, kMaxMetres);
    for (int i = 0; i < 4; ++i) {
        DDX_Check(pDX, IDC_CHECKPOINT_FLAG1 + i, m_checkPointFlags[i]);
    }
    for (int i = 0; i < 4; ++i) {
        DDX_Text(pDX, IDC_CHECKPOINT1 + i, m_checkPoints[i]);
        DDV_MinMaxUInt(pDX, m_checkPoints[i], kMinPositionMetres, kMaxMetres);
    }
    DDX_Text(pDX, IDC_ZONE_WIDTH, m_zoneWidth);
    DDV_MinMaxByte(pDX, m_zoneWidth, kMinZoneWidth, kMaxZoneWidth);
    DDX_Text(pDX, IDC_VOLTAGE_LEVEL, m_voltageLevel);
    DDV_MinMaxDouble(pDX, m_voltageLevel, kMinVoltage, kMaxVoltage);
}

void CDlgDaneBazowe::OnDestroy() {
    m_record.SetFactoryNumber(static_cast<std::uint16_t>(m_factoryNumber));
    m_record.SetDriveConstantUp(static_cast<std::uint16_t>(m_driveUp));
    m_record.SetDriveConstantDown(static_cast<std::uint16_t>(m_driveDown));
    m_record.SetDescription(m_description);
    m_record.SetRouteLength(static_cast<std::uint16_t>(m_routeLength));
    for (int i = 0; i < 4; ++i) {
        m_record.SetCheckPoint(i, static_cast<std::uint16_t>(m_checkPoints[i]));
        m_record.SetCheckPointFlag(i, m_checkPointFlags[i] != 0 ? 1 : 0);
    }
    m_record.SetZoneWidth(m_zoneWidth);
    m_record.SetVoltageLevel(VoltageToTenths(m_voltageLevel));
    CDialog::OnDestroy();
}
