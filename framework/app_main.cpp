// The program's entry point. Test programs have their own main and do not link this.
#include "framework/win_app.h"

int main(int argc, char** argv) {
    return afx::RunWinApp(argc, argv);
}
