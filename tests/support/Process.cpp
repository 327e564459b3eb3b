#include "Process.h"

#include <QProcess>
#include <QThread>

#include <future>
#include <memory>

namespace pcvr_test {

namespace {

// Starts the program, hands its process id over (0 when it did not start),
// waits for it to end or for its time to be up, and hands the run over (through
// futures, which ThreadSanitizer sees, unlike the wait for a QThread). QProcess reads the
// output pipe while it waits, so the program never blocks on a full pipe.
// Runs on a QThread of its own, whose event dispatcher QProcess's pipe
// notifiers need, whatever thread the test runs on.
void Drive(const std::vector<std::string>& argv, const ProcessOptions& options, std::promise<qint64>& started,
           std::promise<ProcessRun>& finished) {
  ProcessRun run;
  QProcess process;
  QStringList arguments;
  for (const auto& argument : argv) arguments << QString::fromStdString(argument);
  process.setProgram(arguments.takeFirst());
  process.setArguments(arguments);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const auto& name : options.unset) environment.remove(QString::fromStdString(name));
  for (const auto& assignment : options.environment) {
    const QString text = QString::fromStdString(assignment);
    environment.insert(text.section('=', 0, 0), text.section('=', 1));
  }
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(QString::fromStdString(options.workingDirectory));
  process.setProcessChannelMode(options.withStandardError ? QProcess::MergedChannels : QProcess::ForwardedErrorChannel);
  process.setStandardInputFile(QProcess::nullDevice());
  process.start();
  if (!process.waitForStarted(-1)) {
    run.output = "cannot start " + argv[0] + ": " + process.errorString().toStdString();
    started.set_value(0);
    finished.set_value(run);
    return;
  }
  started.set_value(process.processId());
  const bool timedOut = !process.waitForFinished(options.timeoutSeconds * 1000);
  if (timedOut) {
    process.kill();
    process.waitForFinished(-1);
  }
  run.output = process.readAll().toStdString();
  run.exitCode = timedOut                                      ? 124
                 : process.exitStatus() == QProcess::CrashExit ? 128 + process.exitCode()  // the signal
                                                               : process.exitCode();
  finished.set_value(run);
}

}  // namespace

ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessRun run;
  if (argv.empty()) return run;
  std::promise<qint64> started;
  std::future<qint64> pid = started.get_future();
  std::promise<ProcessRun> finished;
  std::future<ProcessRun> result = finished.get_future();
  {
    // The thread is waited for however this block is left.
    const auto join = [](QThread* thread) {
      thread->wait();
      delete thread;
    };
    const std::unique_ptr<QThread, decltype(join)> thread(
        QThread::create(Drive, std::cref(argv), std::cref(options), std::ref(started), std::ref(finished)), join);
    thread->start();
    const qint64 id = pid.get();
    if (id > 0 && options.whileRunning) options.whileRunning(static_cast<pid_t>(id));
    run = result.get();
  }
  return run;
}

}  // namespace pcvr_test
