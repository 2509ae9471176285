/* The client header built as C99: exit status 0 when three calls answer as they do in C++. */
#define UPDATE_CLIENT_IMPLEMENTATION
#include "sdk/update_client.h"

int main(void) {
    UpdateInfo info;
    const int ok = UpdateCompareVersions("1.10", "1.9") > 0 &&
                   UpdateCheck("http://127.0.0.1:1/app.txt", "1.0", NULL, &info) == -1 &&
                   UpdateStart(&info, "Update.exe", "C:\\App", "C:\\App\\App.exe") == 0;
    return ok ? 0 : 1;
}
