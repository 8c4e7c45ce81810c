// A station for the messaging tests, one per process:
//   brine_station_peer <own address> <shared folder> <tcp port>
// Commands on standard input, one a line:
//   line <text>       posts <text> CR LF as a relayed sentence (type 7)
//   post <type> <n>   posts a message of that type with n bytes of 'x'
//   counts            prints "counts <sending> <connecting> <receiving> <joined>"
//   quit              leaves and exits
// Standard output: "joined", "msg <type> <payload>" for every message except
// type 9, which is only counted ("count9 <n>" with counts), and "notice <text>".

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "nmea/NetworkMessaging.h"

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    nmea::CStationOptions options;
    options.ownAddress = nmea::ParseIpv4(argv[1]);
    options.applicationFolder = argv[2];
    if (!options.ownAddress)
        return 2;
    nmea::CNetworkMessaging station(options);
    station.SetSharedFolder(argv[2]);
    station.SetTcpPort(static_cast<std::uint16_t>(std::stoi(argv[3])));
    if (!station.Start()) {
        for (const auto& notice : station.TakeNotices())
            std::cout << "notice " << notice << std::endl;
        return 1;
    }
    long count9 = 0;
    bool joinedShown = false;
    std::string input;
    for (;;) {
        if (!joinedShown && station.Counts().joined) {
            std::cout << "joined" << std::endl;
            joinedShown = true;
        }
        for (auto& message : station.TakeIncoming()) {
            if (message.type == 9)
                ++count9;
            else
                std::cout << "msg " << int(message.type) << " " << message.payload << std::endl;
        }
        for (const auto& notice : station.TakeNotices())
            std::cout << "notice " << notice << std::endl;
        pollfd in{0, POLLIN, 0};
        if (::poll(&in, 1, 20) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0)
            break;
        input.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = input.find('\n')) != std::string::npos;
             input.erase(0, end + 1)) {
            const std::string command = input.substr(0, end);
            if (command.rfind("line ", 0) == 0) {
                station.PostMessage(nmea::kStationSentence, command.substr(5) + "\r\n");
            } else if (command.rfind("post ", 0) == 0) {
                const auto space = command.find(' ', 5);
                station.PostMessage(
                    static_cast<std::uint8_t>(std::stoi(command.substr(5, space - 5))),
                    std::string(std::stoul(command.substr(space + 1)), 'x'));
            } else if (command == "counts") {
                const auto c = station.Counts();
                std::cout << "counts " << c.sending << " " << c.connecting << " " << c.receiving
                          << " " << c.joined << " count9 " << count9 << std::endl;
            } else if (command == "quit") {
                station.Stop();
                std::cout << "left" << std::endl;
                return 0;
            }
        }
    }
    station.Stop();
    return 0;
}
