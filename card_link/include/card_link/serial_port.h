#pragma once
// What the panel asks of its serial port object: a port number, an open/closed
// state, a write that queues bytes at once and a read that returns and empties
// everything received so far. Failures are raised as SerialError.

#include "port_problem.h"

#include <QByteArray>
#include <stdexcept>
#include <string>
#include <utility>

namespace card_link {

// problem() says why, for the user's message; what() says it briefly, for developers.
class SerialError : public std::runtime_error {
public:
    // A fault of the program's own: a write on a closed port, say.
    explicit SerialError(const std::string& fault);
    explicit SerialError(PortProblem problem);
    const PortProblem& problem() const { return problem_; }

private:
    PortProblem problem_;
};

inline SerialError::SerialError(const std::string& fault) : std::runtime_error(fault)
{
    problem_.reason = QString::fromStdString(fault);
}

inline SerialError::SerialError(PortProblem problem)
    : std::runtime_error(QStringLiteral("cannot use %1: %2").arg(problem.port, problem.reason).toStdString()),
      problem_(std::move(problem))
{
}

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // COM number used by the next open; may be set only while the port is closed.
    virtual int portNumber() const = 0;
    virtual void setPortNumber(int number) = 0;

    // True while open. Opening a port that is missing, held or not permitted
    // throws and leaves the port closed.
    virtual bool portOpen() const = 0;
    virtual void setPortOpen(bool open) = 0;

    // Tries again to open a port in use that went away; true when it is open now. A
    // port that takes time to open finishes in the background and is open at a later call.
    // When it is not open, `why` (if given) says why, when that is known by now.
    virtual bool reopen(PortProblem* why = nullptr)
    {
        try {
            setPortOpen(true);
        } catch (const SerialError& refused) {
            if (why)
                *why = refused.problem();
            return false;
        }
        return true;
    }

    // Queues the bytes for sending at once, in order, without waiting.
    virtual void output(const QByteArray& data) = 0;

    // Returns at once everything received since the last read, possibly nothing.
    virtual QByteArray input() = 0;

    // How many bytes input() has for certain now; a port that reads only when asked may
    // have more waiting in the device.
    virtual qint64 inputWaiting() const { return 0; }
};

} // namespace card_link
