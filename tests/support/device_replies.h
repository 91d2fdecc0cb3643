// The replies of a device's web server the tests script (with
// loopback_http_server.h): its status page, a Digest challenge, the answer
// to the upgrade command.
#pragma once

#include <string>

// A 200 reply with the body, framed by its length.
inline std::string OkReply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The status page of a QEV-1040 that reports this software version.
inline std::string StatusPage(const std::string& version) {
    return OkReply("<table><tr><td>Product Name:</td><td>QEV-1040</td></tr>"
                   "<tr><td>MAC Address:</td><td>00:00:5E:00:53:10</td></tr>"
                   "<tr><td>Serial Number:</td><td>QA10400012345</td></tr>"
                   "<tr><td>Hardware Version:</td><td>1.0.2</td></tr>"
                   "<tr><td>Software Version:</td><td>" + version + "</td></tr></table>");
}

// A 401 with a Digest challenge (qop auth, MD5) of this nonce.
inline std::string Challenge(const char* nonce) {
    return std::string("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\nWWW-Authenticate: Digest realm=\"QEV\", "
                       "nonce=\"") + nonce + "\", qop=\"auth\", algorithm=\"MD5\"\r\n\r\n";
}

// The answer to the upgrade command: its content is never looked at.
const char kCommandReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
