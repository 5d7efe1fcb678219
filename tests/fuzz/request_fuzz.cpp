// libFuzzer harness over the request reader: any byte sequence a client can send, ending anywhere. Read
// as it arrives, in pieces, it must give the same request from the same bytes; for every registration it
// would accept, the syncer must receive the name and argument unchanged, on a single-byte and on the
// double-byte ANSI code pages.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "argv_parser.h"
#include "code_pages.h"
#include "syncercommand.h"
#include "names.h"
#include "pending.h"
#include "request.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckCommandLines(const Request &request, const AnsiCodePage &codePage)
{
    const char syncer[] = "C:\\Program Files\\Tessil\\Tessil.exe";
    for (int scriptMode = 0; scriptMode <= 1; ++scriptMode) {
        char line[COMMAND_LINE_SIZE];
        Require(BuildSyncerCommandLine(line, sizeof line, scriptMode, syncer, request.name, 4294967295u,
                                       request.argument) == 0);
        std::vector<std::string> expected = {scriptMode ? "\\Python25\\python.exe" : syncer};
        if (scriptMode)
            expected.push_back("TessilClient\\Tessil.py");
        expected.insert(expected.end(), {request.name, "4294967295", request.argument});
        Require(SplitWindowsCommandLine(line, codePage) == expected);
    }
}

// The gatherer's way: the same bytes in pieces of sizes the input itself suggests, each within the room
// left. It must end with the outcome and the request of the whole bytes, counting what came after the
// request as extra: the `used` bytes alone read the same, and one fewer leaves the request incomplete.
void CheckArrivedReading(const uint8_t *data, size_t size, RequestOutcome outcome, const Request &whole, int used)
{
    char bytes[MAX_REQUEST_BYTES];
    PendingRequest entry;
    entry.bytes = bytes;
    StartPendingRequest(&entry, 0, 0);
    Request arrived = {};
    RequestOutcome arrivedOutcome = REQUEST_INCOMPLETE;
    size_t position = 0;
    while (arrivedOutcome == REQUEST_INCOMPLETE && position < size) {
        int room = MAX_REQUEST_BYTES - entry.received;
        Require(room > 0);
        size_t piece = std::min<size_t>(1 + data[position] % room, size - position);
        std::memcpy(entry.bytes + entry.received, data + position, piece);
        position += piece;
        arrivedOutcome = AddReceived(&entry, static_cast<int>(piece), &arrived);
    }
    Require(arrivedOutcome == outcome && std::memcmp(&arrived, &whole, sizeof whole) == 0);
    if (outcome == REQUEST_INCOMPLETE)
        return;  // the bytes end inside the request
    Require(entry.received - entry.extra == used);
    int wanted, usedBefore;
    Require(ReadRequest(bytes, used - 1, &arrived, &wanted, &usedBefore) == REQUEST_INCOMPLETE && wanted == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Request request;
    int wanted, used;
    RequestOutcome outcome = ReadRequest(reinterpret_cast<const char *>(data), static_cast<int>(size), &request,
                                         &wanted, &used);

    // Whatever arrived, every string stays terminated inside its buffer.
    Require(request.name[FIELD_BUFFER_SIZE - 1] == '\0');
    Require(request.argument[FIELD_BUFFER_SIZE - 1] == '\0');
    Require(request.volume[VOLUME_BUFFER_UNITS - 1] == 0);
    Require(wanted >= 0 && wanted <= MAX_REQUEST_BYTES);

    CheckArrivedReading(data, size, outcome, request, used);

    if (outcome == REQUEST_COMPLETE) {
        Require(request.type == REQ_USER || request.type == REQ_PORT || request.type == REQ_SNAPSHOT);
        static const AnsiCodePage codePages[] = {DescribeCodePage(1252), DescribeCodePage(932),
                                                 DescribeCodePage(936)};
        for (const AnsiCodePage &codePage : codePages) {
            if (request.type == REQ_USER &&
                CheckRegistration(codePage, request.name, request.argument) == REGISTRATION_ACCEPTED)
                CheckCommandLines(request, codePage);
        }
    }
    return 0;
}
