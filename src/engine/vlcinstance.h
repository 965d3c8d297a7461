#pragma once

#include <memory>
#include <string>
#include <vector>

struct libvlc_instance_t;

// One started libVLC and the arguments it was started with. Every engine of the program plays
// through the same one, so that each takes the program's arguments (its video output among
// them) and the plug-ins are loaded once.
class CVlcInstance
{
public:
    ~CVlcInstance();
    CVlcInstance(const CVlcInstance&) = delete;
    CVlcInstance& operator=(const CVlcInstance&) = delete;

    // The program's instance, shared while any engine holds it: the pre-started one if there
    // is one, else one started now with the program's arguments.
    static std::shared_ptr<CVlcInstance> Shared();
    // An instance of its own, with other start arguments than the program's (diagnosis, tests).
    static std::shared_ptr<CVlcInstance> Start(const std::vector<std::string>& args);

    // The program's start arguments, with libVLC's video output module strVideoOutput
    // (empty: libVLC chooses).
    static std::vector<std::string> ProgramArgs(const std::string& strVideoOutput);
    // Makes args the program's arguments and starts libVLC with them on a thread of its own, so
    // that it loads its plug-ins while the window system is still being set up; the next
    // shared instance is that one. Once pre-started, the arguments stay.
    static void PreStart(const std::vector<std::string>& args);
    // Releases a pre-started instance that no engine took over.
    static void DiscardPreStart();

    // Null when libVLC could not start.
    libvlc_instance_t* Get() const { return m_pInstance; }
    const std::vector<std::string>& Arguments() const { return m_args; }
    // The video output the arguments name; empty: libVLC's choice.
    const std::string& VideoOutput() const { return m_strVideoOutput; }

private:
    CVlcInstance(libvlc_instance_t* pInstance, std::vector<std::string> args);

    libvlc_instance_t* m_pInstance = nullptr;
    std::vector<std::string> m_args;
    std::string m_strVideoOutput;
};
