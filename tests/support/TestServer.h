#pragma once
// The address of our misbehaving HTTP server on 127.0.0.1 (tests/support/test_server.py),
// which runs the test program and names itself in UPDATE_TEST_SERVER.
#include <string>

bool HaveTestServer();
// path ("/length/100") on the server; a port nobody listens on when there is no server.
std::string TestServerUrl(const std::string& path);
// Bytes in hexadecimal, as the server's /pair paths take them.
std::string Hex(const std::string& bytes);
