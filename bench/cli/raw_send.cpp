// raw_send.cpp - the least a program can do for one configuration report:
// open the node, write the 17 bytes, wait for the answer, read it, close.
// Function 1 with 1.5 s, as "kx418ctl send 1 1.5" sends it. Exit 0 when
// the answer starts with "!".
//
//   kx418_raw_send NODE
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cstdint>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    constexpr std::array<std::uint8_t, 17> report{0x00, 0x30, 0x01, 0x00, 0xdc, 0x05};
    const int reader = open(argv[1], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int writer = open(argv[1], O_WRONLY | O_CLOEXEC);
    if (reader < 0 || writer < 0) return 1;
    std::array<std::uint8_t, 16> answer{};
    pollfd wait{reader, POLLIN, 0};
    const bool acknowledged = write(writer, report.data(), report.size()) == 17 &&
                              poll(&wait, 1, 2000) == 1 &&
                              read(reader, answer.data(), answer.size()) == 16 && answer[0] == '!';
    close(writer);
    close(reader);
    return acknowledged ? 0 : 1;
}
