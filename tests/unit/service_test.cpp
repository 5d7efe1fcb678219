// The service entry against a scripted service control manager: which calls are made, in which order,
// with which values, and what the program returns.

#include "service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct FakeScm {
    std::vector<std::string> calls;
    std::map<std::string, std::deque<uint32_t>> outcomes;  // call name -> its results in turn, then 0
    std::deque<uint32_t> states;              // what the service reports, one per query or stop
    std::string modulePath = "C:\\Program Files\\Tessil\\TessilCPHwnet64.exe";
    uint32_t moduleLength = 0;  // 0: the path's own length
    ServiceDefinition definition = {};
    std::string commandPath, dependencies;
    uint32_t resetPeriod = 0, restartDelay = 0;
    std::string description;
    std::vector<ServiceStatus> reports;
    bool registerFails = false;
    int dispatcherResult = 0;
    std::vector<std::string> serviceArguments;  // the service's start, when the dispatcher runs it
    ControlHandlerFunction controlHandler = nullptr;
    std::vector<std::string> daemonArguments;
    std::function<void()> whileDaemonRuns;
    uintptr_t nextHandle = 0x100;
    std::set<ScmHandle> open;
    std::vector<uint32_t> sleeps;

    uint32_t Call(const std::string &name)
    {
        calls.push_back(name);
        std::deque<uint32_t> &results = outcomes[name];
        if (results.empty())
            return 0;
        uint32_t result = results.front();
        results.pop_front();
        return result;
    }

    uint32_t Open(const std::string &name, ScmHandle *handle)
    {
        uint32_t error = Call(name);
        *handle = error ? nullptr : reinterpret_cast<ScmHandle>(nextHandle++);
        if (*handle)
            open.insert(*handle);
        return error;
    }

    uint32_t State(const std::string &name, uint32_t *state)
    {
        uint32_t error = Call(name);
        *state = 0;
        if (!error && !states.empty()) {
            *state = states.front();
            states.pop_front();
        }
        return error;
    }
};

FakeScm fake;
const ScmStatusHandle STATUS_HANDLE = reinterpret_cast<ScmStatusHandle>(0x5e);

}  // namespace

uint32_t ScmOpenManager(uint32_t access, ScmHandle *manager)
{
    EXPECT_EQ(0xF003Fu, access);
    return fake.Open("OpenManager", manager);
}

uint32_t ScmCreateService(ScmHandle manager, const ServiceDefinition &definition, ScmHandle *service)
{
    EXPECT_EQ(1u, fake.open.count(manager));
    fake.definition = definition;
    fake.commandPath = definition.commandPath;
    const char *end = definition.dependencies;
    while (*end)
        end += strlen(end) + 1;
    fake.dependencies.assign(definition.dependencies, end + 1);
    return fake.Open("CreateService", service);
}

uint32_t ScmSetRestartOnFailure(ScmHandle service, uint32_t resetPeriod, uint32_t restartDelay)
{
    EXPECT_EQ(1u, fake.open.count(service));
    fake.resetPeriod = resetPeriod;
    fake.restartDelay = restartDelay;
    return fake.Call("SetRestartOnFailure");
}

uint32_t ScmSetDescription(ScmHandle service, const char *description)
{
    EXPECT_EQ(1u, fake.open.count(service));
    fake.description = description;
    return fake.Call("SetDescription");
}

uint32_t ScmStartService(ScmHandle service)
{
    EXPECT_EQ(1u, fake.open.count(service));
    return fake.Call("StartService");
}

uint32_t ScmOpenService(ScmHandle manager, const char *name, uint32_t access, ScmHandle *service)
{
    EXPECT_EQ(1u, fake.open.count(manager));
    EXPECT_STREQ("Halvik Tessil Client Daemon", name);
    EXPECT_EQ(0x10024u, access);
    return fake.Open("OpenService", service);
}

uint32_t ScmQueryState(ScmHandle service, uint32_t *state)
{
    EXPECT_EQ(1u, fake.open.count(service));
    return fake.State("QueryState", state);
}

uint32_t ScmSendStop(ScmHandle service, uint32_t *state)
{
    EXPECT_EQ(1u, fake.open.count(service));
    return fake.State("SendStop", state);
}

uint32_t ScmDeleteService(ScmHandle service)
{
    EXPECT_EQ(1u, fake.open.count(service));
    return fake.Call("DeleteService");
}

void ScmClose(ScmHandle handle)
{
    if (handle) {
        EXPECT_EQ(1u, fake.open.erase(handle)) << "closed twice or never opened";
    }
}

ScmStatusHandle ScmRegisterControlHandler(const char *serviceName, ControlHandlerFunction handler)
{
    EXPECT_STREQ("Halvik Tessil Client Daemon", serviceName);
    fake.calls.push_back("RegisterControlHandler");
    fake.controlHandler = handler;
    return fake.registerFails ? nullptr : STATUS_HANDLE;
}

uint32_t ScmReportStatus(ScmStatusHandle statusHandle, const ServiceStatus &status)
{
    EXPECT_EQ(STATUS_HANDLE, statusHandle);
    fake.reports.push_back(status);
    return fake.Call("ReportStatus");
}

int ScmRunDispatcher(const char *serviceName, ServiceMainFunction serviceMain)
{
    EXPECT_STREQ("Halvik Tessil Client Daemon", serviceName);
    fake.calls.push_back("RunDispatcher");
    if (!fake.serviceArguments.empty()) {
        std::vector<char *> argv;
        for (std::string &argument : fake.serviceArguments)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        serviceMain(static_cast<uint32_t>(fake.serviceArguments.size()), argv.data());
    }
    return fake.dispatcherResult;
}

uint32_t OwnModulePath(char *buffer, uint32_t size, uint32_t *length)
{
    uint32_t error = fake.Call("OwnModulePath");
    *length = fake.moduleLength ? fake.moduleLength : static_cast<uint32_t>(fake.modulePath.size());
    // Like GetModuleFileNameA: as much as fits, terminated only when it all fits.
    size_t copied = std::min<size_t>(fake.modulePath.size() + 1, size);
    memcpy(buffer, fake.modulePath.c_str(), copied);
    return error;
}

void SleepMilliseconds(uint32_t milliseconds)
{
    fake.sleeps.push_back(milliseconds);
}

namespace {

int RunFakeDaemon(int argc, char **argv)
{
    fake.calls.push_back("RunDaemon");
    fake.daemonArguments.assign(argv, argv + argc);
    if (fake.whileDaemonRuns)
        fake.whileDaemonRuns();
    return 0;
}

void StopFakeSyncers()
{
    fake.calls.push_back("StopAllSyncers");
}

class ServiceEntry : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeScm(); }
    void TearDown() override { EXPECT_TRUE(fake.open.empty()) << "handles left open"; }

    static std::vector<std::string> Calls(std::initializer_list<const char *> names)
    {
        return std::vector<std::string>(names.begin(), names.end());
    }

    static int Run(std::vector<std::string> arguments)
    {
        std::vector<char *> argv;
        for (std::string &argument : arguments)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        return ProgramEntry(static_cast<int>(arguments.size()), argv.data(), {RunFakeDaemon, StopFakeSyncers});
    }
};

struct Status {
    uint32_t state, checkPoint;
};

void ExpectReports(const std::vector<Status> &expected)
{
    ASSERT_EQ(expected.size(), fake.reports.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ServiceStatus &report = fake.reports[i];
        EXPECT_EQ(0x10u, report.serviceType) << i;
        EXPECT_EQ(expected[i].state, report.currentState) << i;
        EXPECT_EQ(5u, report.controlsAccepted) << i;
        EXPECT_EQ(0u, report.win32ExitCode) << i;
        EXPECT_EQ(0u, report.serviceSpecificExitCode) << i;
        EXPECT_EQ(expected[i].checkPoint, report.checkPoint) << i;
        EXPECT_EQ(64000u, report.waitHint) << i;
    }
}

}  // namespace

TEST_F(ServiceEntry, ArgumentCountChoosesTheOperation)
{
    fake.dispatcherResult = 1;
    EXPECT_EQ(1, Run({"TessilCPH.exe"}));
    EXPECT_EQ(1, Run({"TessilCPH.exe", "-i", "-u"}));
    EXPECT_EQ(Calls({"RunDispatcher", "RunDispatcher"}), fake.calls);

    for (const char *console : {"-s", "-I", "-U", "-c", "", "-i "}) {
        fake.calls.clear();
        EXPECT_EQ(0, Run({"TessilCPH.exe", console}));
        EXPECT_EQ(Calls({"RunDaemon"}), fake.calls) << console;
        EXPECT_EQ((std::vector<std::string>{"TessilCPH.exe", console}), fake.daemonArguments);
    }

    fake.dispatcherResult = 0;  // not started by the service control manager
    EXPECT_EQ(0, Run({"TessilCPH.exe"}));
}

TEST_F(ServiceEntry, SwitchesOfTheDaemon)
{
    struct Case {
        std::vector<std::string> arguments;
        int scriptMode, quiet;
    } cases[] = {
        {{"Halvik Tessil Client Daemon"}, 0, 1},     // a service start without parameters
        {{"Halvik Tessil Client Daemon", "-s"}, 1, 0},  // a service start with the parameter -s
        {{"TessilCPH.exe", "-s"}, 1, 0},
        {{"TessilCPH.exe", "-S"}, 0, 0},
        {{"TessilCPH.exe", "-sx"}, 0, 0},
        {{"TessilCPH.exe", "x", "-s"}, 0, 0},
    };
    for (Case &c : cases) {
        std::vector<char *> argv;
        for (std::string &argument : c.arguments)
            argv.push_back(&argument[0]);
        int scriptMode = -1, quiet = -1;
        ReadDaemonSwitches(static_cast<int>(argv.size()), argv.data(), &scriptMode, &quiet);
        EXPECT_EQ(c.scriptMode, scriptMode) << c.arguments.back();
        EXPECT_EQ(c.quiet, quiet) << c.arguments.back();
    }
}

TEST_F(ServiceEntry, InstallCreatesConfiguresAndStartsTheService)
{
    EXPECT_EQ(1, Run({"TessilCPH.exe", "-i"}));
    EXPECT_EQ(Calls({"OpenManager", "OwnModulePath", "CreateService", "SetRestartOnFailure", "SetDescription",
                     "StartService"}),
              fake.calls);
    EXPECT_STREQ("Halvik Tessil Client Daemon", fake.definition.name);
    EXPECT_STREQ("Halvik Tessil Client Daemon", fake.definition.displayName);
    EXPECT_EQ(0xF01FFu, fake.definition.access);
    EXPECT_EQ(0x10u, fake.definition.serviceType);
    EXPECT_EQ(2u, fake.definition.startType);
    EXPECT_EQ(1u, fake.definition.errorControl);
    EXPECT_EQ("\"C:\\Program Files\\Tessil\\TessilCPHwnet64.exe\"", fake.commandPath);
    EXPECT_EQ(std::string("SwPrv\0Tcpip\0\0", 13), fake.dependencies);
    EXPECT_EQ(0xFFFFFFFFu, fake.resetPeriod);
    EXPECT_EQ(0u, fake.restartDelay);
    EXPECT_EQ("Halvik Tessil Client Daemon. Identifies changed files and syncs them with Tessil server.",
              fake.description);
}

TEST_F(ServiceEntry, InstallResultIsTheDescriptionsWhateverTheFailureActionsAndStartDo)
{
    fake.outcomes = {{"SetRestartOnFailure", {87}}, {"StartService", {1056}}};
    EXPECT_EQ(1, InstallService());
    EXPECT_EQ(6u, fake.calls.size());

    fake = FakeScm();
    fake.outcomes = {{"SetDescription", {5}}};
    EXPECT_EQ(5, InstallService());
    EXPECT_EQ("StartService", fake.calls.back());  // started all the same
}

TEST_F(ServiceEntry, InstallStopsAtTheFirstFailingStep)
{
    fake.outcomes = {{"OpenManager", {5}}};
    EXPECT_EQ(5, InstallService());
    EXPECT_EQ(Calls({"OpenManager"}), fake.calls);

    fake = FakeScm();
    fake.outcomes = {{"CreateService", {1073}}};  // already installed: left as it is
    EXPECT_EQ(1073, InstallService());
    EXPECT_EQ(Calls({"OpenManager", "OwnModulePath", "CreateService"}), fake.calls);

    fake = FakeScm();
    fake.outcomes = {{"OwnModulePath", {122}}};
    EXPECT_EQ(122, InstallService());
    EXPECT_EQ(Calls({"OpenManager", "OwnModulePath"}), fake.calls);
}

TEST_F(ServiceEntry, InstallQuotesTheLongestPathWholeAndRefusesALongerOne)
{
    fake.modulePath = "C:\\" + std::string(253, 'd') + ".exe";  // 260 characters: fits with its terminator
    ASSERT_EQ(260u, fake.modulePath.size());
    EXPECT_EQ(1, InstallService());
    EXPECT_EQ("\"" + fake.modulePath + "\"", fake.commandPath);

    fake = FakeScm();
    fake.modulePath = "C:\\" + std::string(300, 'd') + ".exe";
    fake.moduleLength = 261;  // what GetModuleFileNameA returns when the path was cut
    EXPECT_EQ(161, InstallService());
    EXPECT_EQ(Calls({"OpenManager", "OwnModulePath"}), fake.calls);
}

TEST_F(ServiceEntry, UninstallStopsARunningServiceWaitsAndDeletesIt)
{
    fake.states = {SCM_STATE_RUNNING, SCM_STATE_STOP_PENDING, SCM_STATE_STOP_PENDING, SCM_STATE_STOP_PENDING,
                   SCM_STATE_STOPPED};
    EXPECT_EQ(0, Run({"TessilCPH.exe", "-u"}));
    EXPECT_EQ(Calls({"OpenManager", "OpenService", "QueryState", "SendStop", "QueryState", "QueryState",
                     "QueryState", "DeleteService"}),
              fake.calls);
    EXPECT_EQ((std::vector<uint32_t>{1000, 1000, 1000}), fake.sleeps);
}

TEST_F(ServiceEntry, UninstallSendsStopOnlyInEvenStates)
{
    for (uint32_t state = 1; state <= 7; ++state) {
        fake = FakeScm();
        fake.states = {state, SCM_STATE_STOPPED};
        EXPECT_EQ(0, UninstallService());
        bool stopSent = std::count(fake.calls.begin(), fake.calls.end(), "SendStop") == 1;
        EXPECT_EQ(state % 2 == 0, stopSent) << state;
        EXPECT_EQ("DeleteService", fake.calls.back());
        EXPECT_TRUE(fake.sleeps.empty());
        EXPECT_TRUE(fake.open.empty());
    }
}

TEST_F(ServiceEntry, UninstallFailuresLeaveTheServiceInstalled)
{
    struct Case {
        const char *failingCall;
        uint32_t error;
        size_t callsMade;
    } cases[] = {
        {"OpenManager", 5, 1},
        {"OpenService", 1060, 2},  // not installed
        {"QueryState", 6, 3},
        {"SendStop", 1061, 4},
        {"DeleteService", 1072, 5},
    };
    for (const Case &c : cases) {
        fake = FakeScm();
        fake.states = {SCM_STATE_RUNNING, SCM_STATE_STOPPED};
        fake.outcomes = {{c.failingCall, {c.error}}};
        EXPECT_EQ(static_cast<int>(c.error), UninstallService()) << c.failingCall;
        EXPECT_EQ(c.callsMade, fake.calls.size()) << c.failingCall;
        EXPECT_EQ(c.failingCall, fake.calls.back());
        EXPECT_TRUE(fake.open.empty()) << c.failingCall;
    }
}

TEST_F(ServiceEntry, UninstallGivesUpWhenAPollFails)
{
    fake.states = {SCM_STATE_RUNNING, SCM_STATE_STOP_PENDING, SCM_STATE_STOP_PENDING};
    fake.outcomes = {{"QueryState", {0, 0, 6}}};
    EXPECT_EQ(6, UninstallService());
    EXPECT_EQ(Calls({"OpenManager", "OpenService", "QueryState", "SendStop", "QueryState", "QueryState"}),
              fake.calls);
    EXPECT_EQ(2u, fake.sleeps.size());
}

TEST_F(ServiceEntry, ServiceReportsRunningAtOnceAndStoppedWhenTheDaemonGivesUp)
{
    fake.serviceArguments = {SERVICE_NAME, "-s"};
    fake.whileDaemonRuns = [] { ExpectReports({{SCM_STATE_RUNNING, 0}}); };
    Run({"TessilCPH.exe"});
    EXPECT_EQ(Calls({"RunDispatcher", "RegisterControlHandler", "ReportStatus", "RunDaemon", "ReportStatus"}), fake.calls);
    EXPECT_EQ((std::vector<std::string>{SERVICE_NAME, "-s"}), fake.daemonArguments);
    ExpectReports({{SCM_STATE_RUNNING, 0}, {SCM_STATE_STOPPED, 1}});
}

TEST_F(ServiceEntry, ServiceWithoutHandlerReportsNothingAndOneThatCannotReportDoesNotRun)
{
    fake.serviceArguments = {SERVICE_NAME};
    fake.registerFails = true;
    Run({"TessilCPH.exe"});
    EXPECT_EQ(Calls({"RunDispatcher", "RegisterControlHandler"}), fake.calls);

    fake = FakeScm();
    fake.serviceArguments = {SERVICE_NAME};
    fake.outcomes = {{"ReportStatus", {6}}};
    Run({"TessilCPH.exe"});
    EXPECT_EQ(Calls({"RunDispatcher", "RegisterControlHandler", "ReportStatus", "ReportStatus"}), fake.calls);
    ExpectReports({{SCM_STATE_RUNNING, 0}, {SCM_STATE_STOPPED, 1}});
}

TEST_F(ServiceEntry, StopAndShutdownTerminateTheSyncersBeforeStoppedIsReported)
{
    for (uint32_t control : {SCM_CONTROL_STOP, SCM_CONTROL_SHUTDOWN}) {
        fake = FakeScm();
        fake.serviceArguments = {SERVICE_NAME};
        fake.whileDaemonRuns = [control] {
            fake.calls.clear();
            fake.controlHandler(control);
        };
        Run({"TessilCPH.exe"});
        // The handler's reports, then ServiceMain's own once the (stand-in) daemon returned.
        EXPECT_EQ(Calls({"ReportStatus", "StopAllSyncers", "ReportStatus", "ReportStatus"}), fake.calls);
        ExpectReports({{SCM_STATE_RUNNING, 0}, {SCM_STATE_STOP_PENDING, 1}, {SCM_STATE_STOPPED, 2},
                       {SCM_STATE_STOPPED, 3}});
    }
}

TEST_F(ServiceEntry, OtherControlsReportTheRecordUnchanged)
{
    const uint32_t INTERROGATE = 4, PAUSE = 2, PARAMCHANGE = 6;
    fake.serviceArguments = {SERVICE_NAME};
    fake.whileDaemonRuns = [&] {
        for (uint32_t control : {INTERROGATE, PAUSE, PARAMCHANGE})
            fake.controlHandler(control);
    };
    Run({"TessilCPH.exe"});
    EXPECT_EQ(0, std::count(fake.calls.begin(), fake.calls.end(), "StopAllSyncers"));
    ExpectReports({{SCM_STATE_RUNNING, 0}, {SCM_STATE_RUNNING, 0}, {SCM_STATE_RUNNING, 0},
                   {SCM_STATE_RUNNING, 0}, {SCM_STATE_STOPPED, 1}});
}
