// Digest authentication: the response digest against RFC 2617's worked
// example and independently computed values, the challenge parser's rules,
// and the exact Authorization lines the device receives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "common/text.h"
#include "http/digest.h"

namespace {

const char kRfcNonce[] = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
const char kRfcRealm[] = "testrealm@host.com";

std::string Response(const char* algorithm, const char* nonceCount, const char* qop) {
    char response[kDigestHexSize + 1];
    ComputeDigestResponse(kRfcNonce, "0a4f113b", "Mufasa", kRfcRealm, "Circle Of Life", algorithm, nonceCount, "GET",
                          qop, "/dir/index.html", "", response);
    return response;
}

TEST(DigestResponse, Rfc2617WorkedExample) {
    EXPECT_EQ("6629fae49393a05397450978507c4ef1", Response("MD5", "00000001", "auth"));
    // The algorithm text does not matter unless it is md5-sess.
    EXPECT_EQ("6629fae49393a05397450978507c4ef1", Response("", "00000001", "auth"));
    EXPECT_EQ("6629fae49393a05397450978507c4ef1", Response("SHA-256", "00000001", "auth"));
}

// Expected values below were computed independently from the RFC 2617 formulas.
TEST(DigestResponse, VariantsOfAlgorithmAndQop) {
    // Without qop: MD5(HA1 ":" nonce ":" HA2), the nonce count and cnonce do not enter.
    EXPECT_EQ("670fd8c2df070c60b045671b8b24ff02", Response("MD5", "", ""));
    // md5-sess over the 16 raw bytes of the first digest, in any letter case.
    EXPECT_EQ("68c13aa36c0e5ab2e1e1e684dacc873b", Response("MD5-sess", "00000001", "auth"));
    EXPECT_EQ("68c13aa36c0e5ab2e1e1e684dacc873b", Response("md5-SESS", "00000001", "auth"));
    // auth-int hashes the (empty) entity body into A2.
    EXPECT_EQ("5e6610ecf9ba3017a4870ad48e3ad30b", Response("MD5", "00000001", "auth-int"));
    // In capitals too (the qop text itself enters the last hash as it stands).
    EXPECT_EQ("03b30671546babef62af594bd514544f", Response("MD5", "00000001", "AUTH-INT"));
    // A qop list enters the hash whole, with the plain A2.
    EXPECT_EQ("fa167f81fd109501f1c4b3788b17b9c3", Response("MD5", "00000001", "auth,auth-int"));
}

class DigestChallenge : public ::testing::Test {
protected:
    void SetUp() override { std::memset(&state_, 0, sizeof state_); }

    bool StateIs(const DigestState& other) { return std::memcmp(&state_, &other, sizeof state_) == 0; }

    DigestState state_;
};

TEST_F(DigestChallenge, TakesEveryParameter) {
    ScriptRandomDraws({0x2a});
    const char challenge[] =
        "WWW-Authenticate: Digest realm=\"QEV Device\", nonce=\"abc123\", algorithm=\"MD5\", qop=\"auth\", "
        "opaque=\"5ccc069c\"\r\nContent-Length: 0\r\n\r\n";
    ASSERT_EQ(0, ParseChallenge(challenge, &state_));
    EXPECT_STREQ("QEV Device", state_.realm);
    EXPECT_STREQ("abc123", state_.nonce);
    EXPECT_STREQ("abc123", state_.previousNonce);
    EXPECT_STREQ("MD5", state_.algorithm);
    EXPECT_STREQ("auth", state_.qop);
    EXPECT_STREQ("5ccc069c", state_.opaque);
    EXPECT_STREQ("2a", state_.cnonce);
    EXPECT_EQ(0u, state_.nonceCount);
}

TEST_F(DigestChallenge, RefusesWithoutRealmOrNonce) {
    CopyText(state_.realm, sizeof state_.realm, "old realm");
    CopyText(state_.nonce, sizeof state_.nonce, "old nonce");
    state_.nonceCount = 5;
    DigestState before = state_;
    // No realm: nothing changes.
    EXPECT_EQ(1, ParseChallenge("WWW-Authenticate: Digest nonce=\"n1\", qop=\"auth\"", &state_));
    EXPECT_TRUE(StateIs(before));
    // No nonce: refused, but the realm has already been replaced.
    EXPECT_EQ(1, ParseChallenge("WWW-Authenticate: Digest realm=\"new realm\", qop=\"auth\"", &state_));
    EXPECT_STREQ("new realm", state_.realm);
    CopyText(before.realm, sizeof before.realm, "new realm");
    EXPECT_TRUE(StateIs(before));
    // The scheme is not examined: a Basic challenge fails only for its missing nonce.
    EXPECT_EQ(1, ParseChallenge("WWW-Authenticate: Basic realm=\"basic\"", &state_));
    EXPECT_STREQ("basic", state_.realm);
    EXPECT_STREQ("old nonce", state_.nonce);
    EXPECT_EQ(5u, state_.nonceCount);
}

// Every accepted challenge draws a client nonce: the draw's low 15 bits in hexadecimal.
TEST_F(DigestChallenge, SameNonceKeepsCountNewNonceResetsIt) {
    ScriptRandomDraws({0x1, 0x7fff, 0x18abc});
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n1\", qop=\"auth\"", &state_));
    EXPECT_STREQ("1", state_.cnonce);
    state_.nonceCount = 3;
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n1\", qop=\"auth\"", &state_));
    EXPECT_EQ(3u, state_.nonceCount);
    EXPECT_STREQ("7fff", state_.cnonce);
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n2\", qop=\"auth\"", &state_));
    EXPECT_EQ(0u, state_.nonceCount);
    EXPECT_STREQ("n2", state_.previousNonce);
    EXPECT_STREQ("abc", state_.cnonce);
}

TEST_F(DigestChallenge, AbsentParametersKeepAlgorithmAndQopButClearOpaque) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n\", algorithm=\"MD5-sess\", "
                                "qop=\"auth\", opaque=\"op\"",
                                &state_));
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n\"", &state_));
    EXPECT_STREQ("MD5-sess", state_.algorithm);
    EXPECT_STREQ("auth", state_.qop);
    EXPECT_STREQ("", state_.opaque);
    // Present but empty replaces.
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n\", algorithm=\"\"", &state_));
    EXPECT_STREQ("", state_.algorithm);
}

TEST_F(DigestChallenge, NextnonceIsNotTheNonce) {
    ASSERT_EQ(0,
              ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nextnonce=\"next\", nonce=\"current\"", &state_));
    EXPECT_STREQ("current", state_.nonce);
}

TEST_F(DigestChallenge, TokenValuesAreTakenUnquoted) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=n1, algorithm=MD5-sess, qop=auth, "
                                "opaque=o1\r\n\r\n",
                                &state_));
    EXPECT_STREQ("n1", state_.nonce);
    EXPECT_STREQ("MD5-sess", state_.algorithm);
    EXPECT_STREQ("auth", state_.qop);
    EXPECT_STREQ("o1", state_.opaque);
}

TEST_F(DigestChallenge, EscapesInQuotedValuesAreUndone) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"QEV \\\"Lab\\\" \\\\ \\x\", nonce=\"n\"", &state_));
    EXPECT_STREQ("QEV \"Lab\" \\ x", state_.realm);
}

TEST_F(DigestChallenge, NamesInAnyLetterCase) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest REALM=\"r\", Nonce=\"n\", ALGORITHM=\"MD5-sess\", "
                                "QoP=\"auth\", OPAQUE=\"o\"",
                                &state_));
    EXPECT_STREQ("r", state_.realm);
    EXPECT_STREQ("n", state_.nonce);
    EXPECT_STREQ("MD5-sess", state_.algorithm);
    EXPECT_STREQ("auth", state_.qop);
    EXPECT_STREQ("o", state_.opaque);
}

// A line break followed by a blank or tab continues the field; in a quoted
// value the whole fold reads as one blank.
TEST_F(DigestChallenge, FoldedContinuationLinesBelongToTheField) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"QEV\r\n  Device\",\r\n nonce=\"n\",\n\t"
                                "qop=\"auth\"\r\nContent-Length: 0\r\n\r\n",
                                &state_));
    EXPECT_STREQ("QEV Device", state_.realm);
    EXPECT_STREQ("n", state_.nonce);
    EXPECT_STREQ("auth", state_.qop);
}

TEST_F(DigestChallenge, DigestFieldAfterBasicField) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Basic realm=\"basic\"\r\nContent-Length: 0\r\n"
                                "www-authenticate: digest realm=\"digest\", nonce=\"n\"\r\n\r\n",
                                &state_));
    EXPECT_STREQ("digest", state_.realm);
    EXPECT_STREQ("n", state_.nonce);
}

// Each challenge of a field runs from its scheme to the next scheme.
TEST_F(DigestChallenge, DigestChallengeAmongOthersInOneField) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Basic realm=\"basic\", DIGEST realm=\"digest\", nonce=\"n\", "
                                "Newauth realm=\"new\", opaque=\"other\"",
                                &state_));
    EXPECT_STREQ("digest", state_.realm);
    EXPECT_STREQ("", state_.opaque);
}

// Neither a later header field nor the body lends a parameter to the challenge.
TEST_F(DigestChallenge, ParametersOutsideTheFieldAreNotTaken) {
    EXPECT_EQ(1, ParseChallenge("WWW-Authenticate: Digest realm=\"r\"\r\nX-Note: nonce=\"header\"\r\n\r\n"
                                "WWW-Authenticate: Digest realm=\"body\", nonce=\"body\"",
                                &state_));
    EXPECT_STREQ("r", state_.realm);
    EXPECT_STREQ("", state_.nonce);
}

// A quoted value ends with its field: a line break never gets into a value
// (it would end the Authorization line early).
TEST_F(DigestChallenge, UnterminatedValueEndsWithItsLine) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest nonce=\"n\", realm=\"a\r\nX-Injected: b\"\r\n\r\n", &state_));
    EXPECT_STREQ("a", state_.realm);
}

TEST_F(DigestChallenge, FirstOccurrenceWins) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"first\", nonce=\"second\"", &state_));
    EXPECT_STREQ("first", state_.nonce);
}

// A value longer than its field refuses the whole challenge and stores nothing.
TEST_F(DigestChallenge, OverLongValuesRefuseWithoutChange) {
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"r\", nonce=\"n\", qop=\"auth\", opaque=\"o\"",
                                &state_));
    state_.nonceCount = 2;
    DigestState before = state_;
    const std::string long127(127, 'x');
    const std::string long128(128, 'x');
    const std::string short15(15, 'q');
    const std::string short16(16, 'q');
    const std::string cases[] = {
        "realm=\"" + long128 + "\", nonce=\"n\"",
        "realm=\"r\", nonce=\"" + long128 + "\"",
        "realm=\"r\", nonce=\"n\", opaque=\"" + long128 + "\"",
        "realm=\"r\", nonce=\"n\", qop=\"" + short16 + "\"",
        "realm=\"r\", nonce=\"n\", algorithm=\"" + short16 + "\"",
        "realm=\"r\", nonce=\"" + long128,  // unterminated: the value runs to the end
        "realm=\"" + long127 + "\\\"\", nonce=\"n\"",  // 128 characters once unescaped
    };
    for (const std::string& parameters : cases) {
        EXPECT_EQ(1, ParseChallenge(("WWW-Authenticate: Digest " + parameters).c_str(), &state_)) << parameters;
        EXPECT_TRUE(StateIs(before)) << parameters;
    }
    // Values that just fit are taken whole; an escape counts as the character it stands for.
    const std::string long126(126, 'x');
    std::string fitting = "WWW-Authenticate: Digest realm=\"" + long126 + "\\\"\", nonce=\"" + long127 +
                          "\", opaque=\"" + long127 + "\", qop=\"" + short15 + "\", algorithm=\"" + short15 + "\"";
    ASSERT_EQ(0, ParseChallenge(fitting.c_str(), &state_));
    EXPECT_EQ(long126 + "\"", state_.realm);
    EXPECT_EQ(long127, state_.nonce);
    EXPECT_EQ(long127, state_.opaque);
    EXPECT_EQ(short15, state_.qop);
    EXPECT_EQ(short15, state_.algorithm);
}

// ---- the Authorization line -----------------------------------------------

class AuthorizationLine : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&state_, 0, sizeof state_);
        CopyText(state_.user, sizeof state_.user, "admin");
        CopyText(state_.password, sizeof state_.password, "secret");
        CopyText(state_.uri, sizeof state_.uri, "/admin/advanced");
    }

    // Takes the challenge with the client nonce drawn as 1a2b, so the response is known.
    void Challenge(const char* parameters) {
        std::string text = std::string("WWW-Authenticate: Digest realm=\"QEV Device\", nonce=\"abc123\"") + parameters;
        ScriptRandomDraws({0x1a2b});
        ASSERT_EQ(0, ParseChallenge(text.c_str(), &state_));
    }

    std::string Line() {
        char line[1024];
        std::size_t written = BuildAuthorization(&state_, line, sizeof line);
        EXPECT_EQ(std::strlen(line), written);
        return line;
    }

    static std::string Expected(const char* algorithm, const char* response, const char* tail) {
        return std::string("Authorization: Digest username=\"admin\",realm=\"QEV Device\",nonce=\"abc123\","
                           "uri=\"/admin/advanced\",algorithm=\"") +
               algorithm + "\",response=\"" + response + "\"" + tail + "\r\n";
    }

    DigestState state_;
};

TEST_F(AuthorizationLine, QopAuthCountsInNineDigits) {
    Challenge(", algorithm=\"MD5\", qop=\"auth\"");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("MD5", "af7ce38d18c8c3f08a1c49e5e1d611b9", ",qop=auth,nc=000000001,cnonce=\"1a2b\""), Line());
    state_.nonceCount = 2;
    EXPECT_EQ(Expected("MD5", "4a417afbab9e84b7a4d78796793abab1", ",qop=auth,nc=000000002,cnonce=\"1a2b\""), Line());
    state_.nonceCount = 0x1abcdef0;
    EXPECT_NE(std::string::npos, Line().find(",nc=01abcdef0,"));
}

TEST_F(AuthorizationLine, WithoutQopNoCountNoCnonceAndEmptyAlgorithmQuoted) {
    Challenge("");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("", "2c709e9c2f24662a80a34d657419c176", ""), Line());
}

TEST_F(AuthorizationLine, AlgorithmKeptFromEarlierChallengeOpaqueDropped) {
    Challenge(", algorithm=\"MD5-sess\", qop=\"auth\", opaque=\"op1\"");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("MD5-sess", "b34602a8ade82ab8935cae541f287270",
                       ",opaque=\"op1\",qop=auth,nc=000000001,cnonce=\"1a2b\""),
              Line());
    Challenge(", qop=\"auth\"");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("MD5-sess", "b34602a8ade82ab8935cae541f287270", ",qop=auth,nc=000000001,cnonce=\"1a2b\""),
              Line());
}

TEST_F(AuthorizationLine, CapitalMd5SessSelectsSessionDigest) {
    Challenge(", algorithm=\"MD5-SESS\", qop=\"auth\"");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("MD5-SESS", "b34602a8ade82ab8935cae541f287270", ",qop=auth,nc=000000001,cnonce=\"1a2b\""),
              Line());
}

TEST_F(AuthorizationLine, QopListEchoedUnquotedAndWhole) {
    Challenge(", algorithm=\"MD5\", qop=\"auth,auth-int\"");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("MD5", "98e7e171ba42bf237c64c765e82a8e9a", ",qop=auth,auth-int,nc=000000001,cnonce=\"1a2b\""),
              Line());
}

TEST_F(AuthorizationLine, UnquotedMd5SessSelectsSessionDigest) {
    Challenge(", algorithm=MD5-sess, qop=\"auth\"");
    state_.nonceCount = 1;
    EXPECT_EQ(Expected("MD5-sess", "b34602a8ade82ab8935cae541f287270", ",qop=auth,nc=000000001,cnonce=\"1a2b\""),
              Line());
}

// The hash takes the values as they are; the line writes " and \ escaped.
// The response was computed with Python's hashlib over realm Lab "A" and nonce ab\c.
TEST_F(AuthorizationLine, QuotesAndBackslashesWrittenEscaped) {
    ScriptRandomDraws({0x1a2b});
    ASSERT_EQ(0, ParseChallenge("WWW-Authenticate: Digest realm=\"Lab \\\"A\\\"\", nonce=\"ab\\\\c\", "
                                "algorithm=\"MD5\", qop=\"auth\"",
                                &state_));
    state_.nonceCount = 1;
    EXPECT_EQ("Authorization: Digest username=\"admin\",realm=\"Lab \\\"A\\\"\",nonce=\"ab\\\\c\","
              "uri=\"/admin/advanced\",algorithm=\"MD5\",response=\"c3cdbfd1b8604ce85200553ea62237d5\","
              "qop=auth,nc=000000001,cnonce=\"1a2b\"\r\n",
              Line());
}

TEST_F(AuthorizationLine, UriWithQueryEntersLineAndHash) {
    Challenge(", algorithm=\"MD5\", qop=\"auth\"");
    CopyText(state_.uri, sizeof state_.uri, "/admin/upgrade?tftp://10.0.0.2:69/qev1f.bi1");
    state_.nonceCount = 1;
    EXPECT_EQ("Authorization: Digest username=\"admin\",realm=\"QEV Device\",nonce=\"abc123\","
              "uri=\"/admin/upgrade?tftp://10.0.0.2:69/qev1f.bi1\",algorithm=\"MD5\","
              "response=\"508e92b5f7698fdd989349462d35046b\",qop=auth,nc=000000001,cnonce=\"1a2b\"\r\n",
              Line());
}

TEST_F(AuthorizationLine, CutToTheOutputCapacity) {
    Challenge(", qop=\"auth\"");
    char line[40];
    std::memset(line, '#', sizeof line);
    std::size_t written = BuildAuthorization(&state_, line, 20);
    EXPECT_EQ(19u, written);
    EXPECT_EQ('\0', line[19]);
    EXPECT_EQ('#', line[20]);
}

}  // namespace
