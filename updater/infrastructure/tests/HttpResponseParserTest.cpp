#include "updater/infrastructure/HttpResponseParser.h"

#include <gtest/gtest.h>

namespace {

using Failure = HttpResponseParser::Failure;

struct Case {
    const char* name;
    QByteArray raw;
    bool closeAfter; // the server closes after the bytes
    Failure failure;
    int status;
    QByteArray body;
};

} // namespace

TEST(HttpResponseParser, RawAnswersGoodAndHostile)
{
    const Case cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}", false, Failure::None, 200, "{}"},
        {"bare line feeds", "HTTP/1.0 404 Not Found\nContent-Length: 1\n\nx", false, Failure::None, 404, "x"},
        {"until close", "HTTP/1.1 200 OK\r\n\r\nabc", true, Failure::None, 200, "abc"},
        {"chunked with trailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n3;x=y\r\nabc\r\n2\r\nde\r\n0\r\nT: 1\r\n\r\n",
         false, Failure::None, 200, "abcde"},
        {"interim answers skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 P\r\nA: b\r\n\r\nHTTP/1.1 201 C\r\n"
                                    "Content-Length: 0\r\n\r\n",
         false, Failure::None, 201, ""},
        {"no content", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", false, Failure::None, 204, ""},
        {"equal repeated lengths", "HTTP/1.1 200 OK\r\nContent-Length: 1, 1\r\nContent-Length: 1\r\n\r\nz", false,
         Failure::None, 200, "z"},
        {"folded header", "HTTP/1.1 200 OK\r\nX: a\r\n  b\r\nContent-Length: 0\r\n\r\n", false, Failure::None, 200, ""},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", false, Failure::Malformed, 0, ""},
        {"status not a number", "HTTP/1.1 2x0 OK\r\n\r\n", false, Failure::Malformed, 0, ""},
        {"header without colon", "HTTP/1.1 200 OK\r\nbroken\r\n\r\n", false, Failure::Malformed, 0, ""},
        {"blank in header name", "HTTP/1.1 200 OK\r\nContent Length: 1\r\n\r\n", false, Failure::Malformed, 0, ""},
        {"differing lengths", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", false,
         Failure::Malformed, 0, ""},
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, Failure::Malformed, 0, ""},
        {"huge length", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n", false, Failure::Malformed,
         0, ""},
        {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, Failure::Malformed,
         0, ""},
        {"chunk without its line end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nab\r\n", false,
         Failure::Malformed, 0, ""},
        {"switching protocols", "HTTP/1.1 101 Switching\r\n\r\n", false, Failure::Malformed, 0, ""},
        {"announced body over the cap", "HTTP/1.1 200 OK\r\nContent-Length: 1025\r\n\r\n", false,
         Failure::BodyTooLarge, 0, ""},
        {"chunk over the cap", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n401\r\n", false,
         Failure::BodyTooLarge, 0, ""},
        {"body until close over the cap", "HTTP/1.1 200 OK\r\n\r\n" + QByteArray(1025, 'b'), false,
         Failure::BodyTooLarge, 0, ""},
        {"header lines over the cap", "HTTP/1.1 200 OK\r\n" + QByteArray("X: 1234567890\r\n").repeated(40), false,
         Failure::HeaderTooLarge, 0, ""},
        {"one endless header line", "HTTP/1.1 200 OK\r\nX: " + QByteArray(600, 'h'), false, Failure::HeaderTooLarge,
         0, ""},
        {"interim answers over the cap", QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(40), false,
         Failure::HeaderTooLarge, 0, ""},
        {"endless chunk size line", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray(2000, '0'),
         false, Failure::Malformed, 0, ""},
        {"closed inside the headers", "HTTP/1.1 200 OK\r\nContent-Le", true, Failure::Truncated, 0, ""},
        {"closed inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab", true, Failure::Truncated, 0, ""},
        {"closed before the last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n", true,
         Failure::Truncated, 0, ""},
        {"closed without a byte", "", true, Failure::Truncated, 0, ""},
    };
    for (const Case& c : cases) {
        // Whole, and byte by byte: the split must not matter.
        for (const bool byteWise : {false, true}) {
            HttpResponseParser parser(512, 1024);
            if (byteWise) {
                for (const char b : c.raw)
                    parser.feed(QByteArray(1, b));
            } else {
                parser.feed(c.raw);
            }
            if (c.closeAfter)
                parser.finishAtClose();
            EXPECT_EQ(parser.failure(), c.failure) << c.name << (byteWise ? " (byte-wise)" : "");
            EXPECT_EQ(parser.isComplete(), c.failure == Failure::None) << c.name;
            if (c.failure == Failure::None) {
                EXPECT_EQ(parser.statusCode(), c.status) << c.name;
                EXPECT_EQ(parser.body(), c.body) << c.name;
            } else {
                EXPECT_TRUE(parser.body().isEmpty()) << c.name;
                EXPECT_FALSE(parser.failureText().isEmpty()) << c.name;
            }
        }
    }
}

TEST(HttpResponseParser, HeadersKeepTheirFirstValueAndNothingAfterTheAnswerCounts)
{
    HttpResponseParser parser(4096, 4096);
    parser.feed("HTTP/1.1 302 Found\r\nLocation: https://a.example/x\r\nlocation: https://b.example/\r\n"
                "Content-Length: 0\r\n\r\nHTTP/1.1 500 Later\r\n\r\n");
    ASSERT_TRUE(parser.isComplete());
    EXPECT_EQ(parser.statusCode(), 302);
    EXPECT_EQ(parser.reasonPhrase(), QByteArray("Found"));
    EXPECT_EQ(parser.header("location"), QByteArray("https://a.example/x"));
    EXPECT_TRUE(parser.feed("more"));
    EXPECT_EQ(parser.statusCode(), 302);

    HttpResponseParser head(4096, 4096, false);
    head.feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
    EXPECT_TRUE(head.isComplete());
}
