#include "engine/vlcinstance.h"

#include <vlc/vlc.h>

#include <future>
#include <iterator>
#include <utility>
#include <malloc.h>

namespace {

const char* const kProgramArgs[] = {"-I", "dumy", "--ignore-config"};
constexpr char kVideoOutputArg[] = "--vout=";

// A clip's decoder and picture buffers (3 MB a picture at 1080p) are freed by libVLC's
// threads when the clip is closed. malloc keeps freed pages in its arenas, one per thread that
// found the others busy, and clip after clip the program's resident size grew by gigabytes of
// free memory. Buffers of a megabyte and more are therefore mapped each on its own, as malloc
// does until the first of them is freed, before libVLC starts a thread; the players hand back
// whatever else was freed once a clip has been closed.
constexpr int kOwnMappingBytes = 1024 * 1024;

void MapPicturesOnTheirOwn()
{
    static const bool bSet = mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes) == 1;
    (void)bSet;
}

libvlc_instance_t* NewInstance(const std::vector<std::string>& args)
{
    std::vector<const char*> argv;
    argv.reserve(args.size());
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return libvlc_new(int(argv.size()), argv.data());
}

std::string VideoOutputOf(const std::vector<std::string>& args)
{
    std::string strOutput;
    for (const std::string& arg : args) {
        if (arg.compare(0, std::size(kVideoOutputArg) - 1, kVideoOutputArg) == 0)
            strOutput = arg.substr(std::size(kVideoOutputArg) - 1);
    }
    return strOutput;
}

// The program's instance: made with the program's arguments, held by its engines, and gone
// with the last of them. All of it is used on the window's thread.
struct CProgramInstance
{
    std::vector<std::string> m_args = CVlcInstance::ProgramArgs(std::string());
    std::future<libvlc_instance_t*> m_preStarted;
    std::weak_ptr<CVlcInstance> m_pShared;
};

CProgramInstance& Program()
{
    static CProgramInstance program;
    return program;
}

} // namespace

CVlcInstance::CVlcInstance(libvlc_instance_t* pInstance, std::vector<std::string> args)
    : m_pInstance(pInstance), m_args(std::move(args)), m_strVideoOutput(VideoOutputOf(m_args))
{
}

CVlcInstance::~CVlcInstance()
{
    if (m_pInstance)
        libvlc_release(m_pInstance);
}

std::vector<std::string> CVlcInstance::ProgramArgs(const std::string& strVideoOutput)
{
    std::vector<std::string> args(std::begin(kProgramArgs), std::end(kProgramArgs));
    if (!strVideoOutput.empty())
        args.push_back(kVideoOutputArg + strVideoOutput);
    return args;
}

void CVlcInstance::PreStart(const std::vector<std::string>& args)
{
    CProgramInstance& program = Program();
    if (program.m_preStarted.valid())
        return;
    program.m_args = args;
    // The engines that hold an instance keep it; the next instance is made with these.
    if (!program.m_pShared.expired())
        return;
    MapPicturesOnTheirOwn();
    program.m_preStarted = std::async(std::launch::async, [args] { return NewInstance(args); });
}

void CVlcInstance::DiscardPreStart()
{
    CProgramInstance& program = Program();
    if (!program.m_preStarted.valid())
        return;
    if (libvlc_instance_t* pInstance = program.m_preStarted.get())
        libvlc_release(pInstance);
}

std::shared_ptr<CVlcInstance> CVlcInstance::Shared()
{
    CProgramInstance& program = Program();
    if (std::shared_ptr<CVlcInstance> pShared = program.m_pShared.lock())
        return pShared;
    std::shared_ptr<CVlcInstance> pShared;
    if (program.m_preStarted.valid())
        pShared.reset(new CVlcInstance(program.m_preStarted.get(), program.m_args));
    else
        pShared = Start(program.m_args);
    program.m_pShared = pShared;
    return pShared;
}

std::shared_ptr<CVlcInstance> CVlcInstance::Start(const std::vector<std::string>& args)
{
    MapPicturesOnTheirOwn();
    return std::shared_ptr<CVlcInstance>(new CVlcInstance(NewInstance(args), args));
}
