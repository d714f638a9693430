// The session kept as a script: every answer the editor took, typed lines as they were
// typed and picks as the points they gave, so that `vemcad --script` replays the same
// drawing. A pick at a point request is written as the point it gave after the running
// snaps (typed points never snap); a pick at an object or selection request as the
// point picked, with the pick box it was picked with set before its command.
#pragma once

#include <string>
#include <vector>

#include "vemhost_program.h"

namespace vemcad {

class SessionScript final : public vemhost::InputObserver {
public:
    SessionScript();

    void inputTaken(const vemhost::Input& input, vemhost::Request request) override;
    void pickedPoint(const AcGePoint3d& point) override;
    // A command is asked for: the answers of the one before it are kept.
    void commandStarts();
    // The script of the commands finished so far, UTF-8 with one answer a line; the
    // command running and every SCRIPTOUT are left out.
    std::string text() const;
    // False once memory ran out while keeping it: the script would not replay.
    bool whole() const { return !m_broken; }

private:
    struct Answer {
        std::string text;
        bool pickAtObject = false;  // picked at an object or selection request
        double pickBox = 0;
    };
    void keep(const vemhost::Input& input, vemhost::Request request);
    void keepRunning();
    void breakOff();

    std::vector<Answer> m_running;  // of the command running
    bool m_broken = false;
    bool m_atCommandPrompt = true;  // no answer taken since the command prompt
    bool m_pointPickOpen = false;   // the last answer is a pick whose point is still to come
    std::string m_kept;
    double m_keptPickBox;  // the pick box the kept script leaves in force
};

// A point as a typed answer: "x,y" (",z" when not 0), each number written shortest
// so that reading it gives the same double.
std::string typedPoint(const AcGePoint3d& point);

}  // namespace vemcad
