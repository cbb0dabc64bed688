// CStatic: static text.
#pragma once

#include "framework/wnd.h"

class CStatic : public CWnd {};
