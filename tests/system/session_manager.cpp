// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop session manager for tests, speaking XSMP (the X session management protocol) over
// ICE, for one client at a time. It prints
//   SESSION_MANAGER=<addresses>   once it listens (the value for the client's environment)
//   registered                    when a client has joined and saved its first state
//   property Program <value>      the client's SmProgram property
//   property RestartStyleHint <n> when to start it again with the next session (3: never)
//   interact                      the client asked to talk to the user and was allowed to
//   cancelled                     the user, asked by the client, called the session's end off
//   save-done <0|1>               the client answered the save request of the session's end
//   die                           the client was told to end
//   closed                        the client closed its connection (or its process went away)
// and ends the session (save with shutdown, then die) when it reads "end" on its input. It
// ends on SIGTERM, removing its socket files.
#include <X11/ICE/ICEconn.h>
#include <X11/ICE/ICEutil.h>
#include <X11/SM/SMlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Session {
    SmsConn client = nullptr;
    bool ending = false;
    bool closed = false;
};

Session session;
std::vector<IceConn> connections;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// No authority files in a test: every local peer is accepted.
Bool AcceptAnyHost(char*) {
    return True;
}

volatile sig_atomic_t stopping = 0;

extern "C" void Stop(int) {
    stopping = 1;
}

// A client that goes away is an event of the test, not a reason to end this program.
void IgnoreIoError(IceConn) {}

void WatchConnection(IceConn connection, IcePointer, Bool opening, IcePointer*) {
    if (opening) {
        connections.push_back(connection);
    } else {
        std::erase(connections, connection);
    }
}

void CloseClient(IceConn connection) {
    if (session.client != nullptr) {
        SmsCleanUp(session.client);
        session.client = nullptr;
    }
    IceSetShutdownNegotiation(connection, False);
    IceCloseConnection(connection);
    if (!session.closed) {
        session.closed = true;
        Say("closed");
    }
}

Status RegisterClient(SmsConn connection, SmPointer, char* previous_id) {
    char* id = SmsGenerateClientID(connection);
    if (id == nullptr) {
        id = strdup("1lyrtest");
    }
    std::free(previous_id);
    SmsRegisterClientReply(connection, id);
    // A new client saves its first state at once, as every session manager asks it to.
    SmsSaveYourself(connection, SmSaveLocal, False, SmInteractStyleNone, False);
    return 1;
}

void InteractRequest(SmsConn connection, SmPointer, int) {
    Say("interact");
    SmsInteract(connection);
}

void InteractDone(SmsConn connection, SmPointer, Bool cancel_shutdown) {
    if (cancel_shutdown) {
        Say("cancelled");
        session.ending = false;
        SmsShutdownCancelled(connection);
    }
}

void SaveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}

void SaveYourselfPhase2Request(SmsConn connection, SmPointer) {
    SmsSaveYourselfPhase2(connection);
}

void SaveYourselfDone(SmsConn connection, SmPointer, Bool success) {
    if (!session.ending) {
        Say("registered");
        return;
    }
    Say(std::string("save-done ") + (success ? "1" : "0"));
    SmsDie(connection);
    Say("die");
}

void CloseConnection(SmsConn connection, SmPointer, int count, char** reasons) {
    SmFreeReasons(count, reasons);
    CloseClient(SmsGetIceConnection(connection));
}

void SetProperties(SmsConn, SmPointer, int count, SmProp** properties) {
    for (int i = 0; i < count; ++i) {
        SmProp* property = properties[i];
        if (property->num_vals > 0) {
            const SmPropValue& value = property->vals[0];
            const auto* bytes = static_cast<const char*>(value.value);
            if (std::strcmp(property->name, SmProgram) == 0) {
                Say("property Program " + std::string(bytes, value.length));
            } else if (std::strcmp(property->name, SmRestartStyleHint) == 0 && value.length > 0) {
                // One byte by the protocol; Qt sends its number in four (the first is it).
                Say("property RestartStyleHint " + std::to_string(bytes[0]));
            }
        }
        SmFreeProperty(property);
    }
    std::free(properties);
}

void DeleteProperties(SmsConn, SmPointer, int count, char** names) {
    for (int i = 0; i < count; ++i) {
        std::free(names[i]);
    }
    std::free(names);
}

void GetProperties(SmsConn connection, SmPointer) {
    SmsReturnProperties(connection, 0, nullptr);
}

Status NewClient(SmsConn connection, SmPointer, unsigned long* mask, SmsCallbacks* callbacks,
                 char**) {
    session = Session{.client = connection};
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    callbacks->register_client.callback = RegisterClient;
    callbacks->interact_request.callback = InteractRequest;
    callbacks->interact_done.callback = InteractDone;
    callbacks->save_yourself_request.callback = SaveYourselfRequest;
    callbacks->save_yourself_phase2_request.callback = SaveYourselfPhase2Request;
    callbacks->save_yourself_done.callback = SaveYourselfDone;
    callbacks->close_connection.callback = CloseConnection;
    callbacks->set_properties.callback = SetProperties;
    callbacks->delete_properties.callback = DeleteProperties;
    callbacks->get_properties.callback = GetProperties;
    return 1;
}

// The input's commands; false once it is closed.
bool ReadCommand() {
    char buffer[64];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof(buffer));
    if (count <= 0) {
        return false;
    }
    if (std::string(buffer, count).starts_with("end") && session.client != nullptr) {
        session.ending = true;
        // A log-off: the client saves everything and may talk to the user first.
        SmsSaveYourself(session.client, SmSaveBoth, True, SmInteractStyleAny, False);
    }
    return true;
}

}  // namespace

int main() {
    char error[256] = {};
    IceSetIOErrorHandler(IgnoreIoError);
    if (!SmsInitialize("Lyr test", "1.0", NewClient, nullptr, AcceptAnyHost, sizeof(error),
                       error)) {
        std::fprintf(stderr, "session manager: %s\n", error);
        return 1;
    }
    int listener_count = 0;
    IceListenObj* listeners = nullptr;
    if (!IceListenForConnections(&listener_count, &listeners, sizeof(error), error)) {
        std::fprintf(stderr, "session manager: %s\n", error);
        return 1;
    }
    for (int i = 0; i < listener_count; ++i) {
        IceSetHostBasedAuthProc(listeners[i], AcceptAnyHost);
    }
    IceAddConnectionWatch(WatchConnection, nullptr);
    char* addresses = IceComposeNetworkIdList(listener_count, listeners);
    Say(std::string("SESSION_MANAGER=") + addresses);
    std::free(addresses);

    // SIGTERM is let in only while the loop waits, so that it is never missed.
    sigset_t blocked, waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &waiting);
    struct sigaction action {};
    action.sa_handler = Stop;
    sigaction(SIGTERM, &action, nullptr);

    bool input_open = true;
    while (!stopping) {
        std::vector<pollfd> watched;
        for (int i = 0; i < listener_count; ++i) {
            watched.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        }
        const std::vector<IceConn> open = connections;
        for (IceConn connection : open) {
            watched.push_back({IceConnectionNumber(connection), POLLIN, 0});
        }
        if (input_open) {
            watched.push_back({STDIN_FILENO, POLLIN, 0});
        }
        if (::ppoll(watched.data(), watched.size(), nullptr, &waiting) < 0) {
            continue;
        }
        for (int i = 0; i < listener_count; ++i) {
            if (watched[i].revents != 0) {
                IceAcceptStatus status;
                if (IceAcceptConnection(listeners[i], &status) == nullptr) {
                    std::fprintf(stderr, "session manager: a connection was refused\n");
                }
            }
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (watched[listener_count + i].revents != 0 &&
                IceProcessMessages(open[i], nullptr, nullptr) == IceProcessMessagesIOError) {
                CloseClient(open[i]);
            }
        }
        if (input_open && watched.back().revents != 0) {
            input_open = ReadCommand();
        }
    }
    IceFreeListenObjs(listener_count, listeners);
    return 0;
}
