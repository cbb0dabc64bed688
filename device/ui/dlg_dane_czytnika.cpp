#include "device/ui/dlg_dane_czytnika.h"

#include "device/settings_limits.h"
#include "res/resource.h"

using namespace settings_limits;

CDlgDaneCzytnika::CDlgDaneCzytnika(CWnd* parent) : CDialog(IDD_DANE_CZYTNIKA, parent) {}

const AFX_MSGMAP* CDlgDaneCzytnika::GetMessageMap() const {
    static const AFX_MSGMAP map = AFX_MSGMAP::Of<CDlgDaneCzytnika>(
        CDialog::GetThisMessageMap(), {
                                          OnMessageEntry(WM_DESTROY, &CDlgDaneCzytnika::OnDestroy),
                                      });
    return &map;
}

BOOL CDlgDaneCzytnika::OnInitDialog() {
    m_factoryNumber = m_record.FactoryNumber();
    m_powerOffTime = m_record.PowerOffTime();
    m_voltage = m_record.Voltage();
    m_description = m_record.Description();
    return CDialog::OnInitDialog();
}

void CDlgDaneCzytnika::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_PROGRAMMER_VOLTAGE, m_voltage);
    DDV_MinMaxByte(pDX, m_voltage, kMinProgrammerVoltage, kMaxProgrammerVoltage);
    DDX_Text(pDX, IDC_FACTORY_NUMBER, m_factoryNumber);
    DDV_MinMaxUInt(pDX, m_factoryNumber, kMinFactoryNumber, kMaxFactoryNumber);
    DDX_Text(pDX, IDC_DESCRIPTION, m_description);
    DDV_MaxChars(pDX, m_description, static_cast<int>(kDescriptionMaxChars));
    DDX_Text(pDX, IDC_POWER_OFF_TIME, m_powerOffTime);
    DDV_MinMaxUInt(pDX, m_powerOffTime, kMinPowerOffTime, kMaxPowerOffTime);
}

void CDlgDaneCzytnika::OnDestroy() {
    m_record.SetFactoryNumber(static_cast<std::uint16_t>(m_factoryNumber));
    m_record.SetPowerOffTime(static_cast<std::uint16_t>(m_powerOffTime));
    m_record.SetVoltage(m_voltage);
    m_record.SetDescription(m_description);
    CDialog::OnDestroy();
}
