// The dialog framework: dialogs with templates, message maps, data exchange, timers,
// posted commands, controls, message boxes, file dialogs and device contexts, over
// Qt Widgets. Include this one header; no Qt header is needed (nor allowed) above it.
//
// A dialog class, its message map and its data exchange:
//
//   // dlg_example.h
//   class CDlgExample : public CDialog {
//   public:
//       CDlgExample() : CDialog(IDD_EXAMPLE) {}
//       UINT m_count = 0;
//       double m_level = 0;
//       std::string m_name;
//       CSliderCtrl m_slider;
//
//   protected:
//       void DoDataExchange(CDataExchange* pDX) override;
//       BOOL OnInitDialog() override;
//       const AFX_MSGMAP* GetMessageMap() const override;
//
//   private:
//       void OnReset();                              // WM_COMMAND from a button
//       void OnSliderDraw(NMHDR* hdr, LRESULT* res); // WM_NOTIFY
//       void OnTimer(UINT_PTR id);                   // WM_TIMER
//       void OnDestroy();                            // WM_DESTROY
//   };
//
//   // dlg_example.cpp
//   const AFX_MSGMAP* CDlgExample::GetMessageMap() const {
//       static const AFX_MSGMAP map = AFX_MSGMAP::Of<CDlgExample>(CDialog::GetThisMessageMap(), {
//           OnCommandEntry(IDC_RESET, &CDlgExample::OnReset),
//           OnNotifyEntry(NM_CUSTOMDRAW, IDC_SLIDER, &CDlgExample::OnSliderDraw),
//           OnTimerEntry(&CDlgExample::OnTimer),
//           OnMessageEntry(WM_DESTROY, &CDlgExample::OnDestroy),
//       });
//       return &map;
//   }
//
//   void CDlgExample::DoDataExchange(CDataExchange* pDX) {
//       CDialog::DoDataExchange(pDX);
//       DDX_Text(pDX, IDC_COUNT, m_count);
//       DDV_MinMaxUInt(pDX, m_count, 1, 9999);
//       DDX_Text(pDX, IDC_LEVEL, m_level);
//       DDV_MinMaxDouble(pDX, m_level, 5.0, 20.0);
//       DDX_Text(pDX, IDC_NAME, m_name);
//       DDV_MaxChars(pDX, m_name, 15);
//       DDX_Control(pDX, IDC_SLIDER, m_slider);
//   }
//
//   void CDlgExample::OnDestroy() {
//       // ... read what the controls hold ...
//       CDialog::OnDestroy(); // the base handler at the end
//   }
//
// Message map entries (cmd_target.h):
// clang-format off
//   OnCommandEntry(id, &C::F)                 void F()                  button click (posted)
//   OnCommandRangeEntry(first, last, &C::F)   void F(UINT id)           clicks of ids first..last
//   OnNotifyEntry(code, id, &C::F)            void F(NMHDR*, LRESULT*)
//   OnMessageEntry(WM_x, &C::F)               void F()  or  LRESULT F(WPARAM, LPARAM)
//   OnTimerEntry(&C::F)                       void F(UINT_PTR id)
//   OnSysCommandEntry(&C::F)                  void F(UINT command, LPARAM)
//   OnLButtonDblClkEntry(&C::F)               void F(UINT flags, CPoint point)
//   OnQueryDragIconEntry(&C::F)               HCURSOR F()
// clang-format on
// A class that others derive from also gives itself a static GetThisMessageMap() that
// returns its map, and GetMessageMap() returns that. A command target that is not a
// window (derived from CCmdTarget) uses the same tables with OnCommandEntry; override
// OnCmdMsg to offer commands to other targets before the base call.
//
// Threads: everything runs on the UI thread except CWnd::PostMessage, which any thread
// may call.
#pragma once

#include "framework/afx_types.h"
#include "framework/button.h"
#include "framework/clipboard.h"
#include "framework/cmd_target.h"
#include "framework/data_exchange.h"
#include "framework/dc.h"
#include "framework/descriptor_watch.h"
#include "framework/dialog.h"
#include "framework/dialog_template.h"
#include "framework/edit.h"
#include "framework/file_dialog.h"
#include "framework/gdi_object.h"
#include "framework/list_ctrl.h"
#include "framework/menu.h"
#include "framework/message_box.h"
#include "framework/print_dialog.h"
#include "framework/program_path.h"
#include "framework/progress_ctrl.h"
#include "framework/slider_ctrl.h"
#include "framework/static.h"
#include "framework/win_app.h"
#include "framework/wnd.h"
