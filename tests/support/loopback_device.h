// A whole device for the in-process tests of an upgrade: its web server on
// 127.0.0.1:80 (loopback_http_server.h, replies from device_replies.h) and
// its TFTP client over the fake transport (fake_tftp_transport.h), which
// fetches one image after the other once its web server has had the
// requests a test names. Needs a network namespace of its own (ports 80, 69).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/device_replies.h"
#include "tests/support/fake_tftp_transport.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/scripted_tftp_client.h"

class LoopbackDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartSocketLibrary());
        ASSERT_TRUE(server_.Start(80));
        ASSERT_EQ(80, server_.Port()) << "port 80 is taken: run inside tools/in_private_network.sh";
        fake_tftp::Reset();
        ScriptRandomDraws({0x1a2b, 0x5e6f});  // the upgrade file names' random parts
        fake_tftp::SetPeer([this](const fake_tftp::SentPacket& sent) {
            client_(sent);
            if (scripted_tftp::Opcode(sent) == 3 && sent.bytes.size() < 4 + 512) {
                fetched_.push_back(client_.received.size());
                client_ = scripted_tftp::ScriptedClient();
            }
        });
    }

    // The device asks for the file once its web server has had this many requests.
    void FetchAfterRequests(std::size_t requests, const std::string& name) {
        fake_tftp::DeliverWhen([this, requests] { return server_.RequestCount() >= requests; },
                               scripted_tftp::ReadRequest(name), kLoopbackAddress, scripted_tftp::kClientPort);
    }

    LoopbackHttpServer server_;
    scripted_tftp::ScriptedClient client_;
    std::vector<std::size_t> fetched_;  // the size of each image fetched whole
};
