#include "tests/support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

double monotonic_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

bool engine_start(EngineProcess* e, const std::string& program, const std::vector<std::string>& args,
                  const std::string& working_dir, size_t address_space_limit) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return false;
  signal(SIGPIPE, SIG_IGN);
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) close(fd);
    if (!working_dir.empty() && chdir(working_dir.c_str()) != 0) _exit(126);
    if (address_space_limit) {
      rlimit limit{address_space_limit, address_space_limit};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    if (errno == ENOEXEC) {
      // A kernel without 32-bit support cannot run engine32 directly; the
      // user-mode emulator runs it unchanged.
      argv.insert(argv.begin(), const_cast<char*>("qemu-i386"));
      execvp("qemu-i386", argv.data());
    }
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  e->pid = pid;
  e->to_child = in_pipe[1];
  e->from_child = out_pipe[0];
  e->err_from_child = err_pipe[0];
  fcntl(e->from_child, F_SETFL, O_NONBLOCK);
  fcntl(e->err_from_child, F_SETFL, O_NONBLOCK);
  return true;
}

void engine_send(EngineProcess* e, const std::string& line) {
  if (e->to_child < 0) return;
  std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(e->to_child, text.data() + done, text.size() - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return;
    }
    done += static_cast<size_t>(n);
  }
}

void engine_close_input(EngineProcess* e) {
  if (e->to_child >= 0) close(e->to_child);
  e->to_child = -1;
}

static void drain_stderr(EngineProcess* e) {
  if (e->err_from_child < 0) return;
  char buf[4096];
  for (;;) {
    ssize_t n = read(e->err_from_child, buf, sizeof buf);
    if (n > 0) {
      e->err_text.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n == 0) {
      close(e->err_from_child);
      e->err_from_child = -1;
    }
    return;
  }
}

const std::string& engine_stderr(EngineProcess* e) {
  drain_stderr(e);
  return e->err_text;
}

bool engine_read_line(EngineProcess* e, std::string* line, double timeout_seconds) {
  double deadline = monotonic_seconds() + timeout_seconds;
  for (;;) {
    size_t nl = e->out_buffer.find('\n');
    if (nl != std::string::npos) {
      *line = e->out_buffer.substr(0, nl);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      e->out_buffer.erase(0, nl + 1);
      return true;
    }
    if (e->from_child < 0) return false;
    double left = deadline - monotonic_seconds();
    if (left <= 0) return false;
    pollfd pfd{e->from_child, POLLIN, 0};
    int r = poll(&pfd, 1, static_cast<int>(left * 1000) + 1);
    drain_stderr(e);
    if (r <= 0) continue;
    char buf[4096];
    ssize_t n = read(e->from_child, buf, sizeof buf);
    if (n > 0) {
      e->out_buffer.append(buf, static_cast<size_t>(n));
    } else if (n == 0) {
      close(e->from_child);
      e->from_child = -1;
    }
  }
}

bool engine_read_until(EngineProcess* e, const std::string& prefix, std::vector<std::string>* lines,
                       double timeout_seconds) {
  double deadline = monotonic_seconds() + timeout_seconds;
  std::string line;
  while (engine_read_line(e, &line, deadline - monotonic_seconds())) {
    if (lines) lines->push_back(line);
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

int engine_wait(EngineProcess* e, double timeout_seconds) {
  if (e->pid < 0) return e->exit_status;
  double deadline = monotonic_seconds() + timeout_seconds;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(e->pid, &status, WNOHANG);
    if (r == e->pid) {
      e->pid = -1;
      e->exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      drain_stderr(e);
      return e->exit_status;
    }
    if (monotonic_seconds() > deadline) {
      engine_kill(e);
      return -1;
    }
    drain_stderr(e);
    usleep(2000);
  }
}

void engine_kill(EngineProcess* e) {
  if (e->pid > 0) {
    kill(e->pid, SIGKILL);
    int status = 0;
    waitpid(e->pid, &status, 0);
    e->pid = -1;
  }
  engine_close_input(e);
  if (e->from_child >= 0) close(e->from_child);
  if (e->err_from_child >= 0) close(e->err_from_child);
  e->from_child = e->err_from_child = -1;
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args, double timeout_seconds,
                      const std::string& input) {
  RunResult result;
  EngineProcess e;
  if (!engine_start(&e, program, args)) return result;
  if (!input.empty()) engine_send(&e, input);
  engine_close_input(&e);
  double deadline = monotonic_seconds() + timeout_seconds;
  std::string line;
  while (engine_read_line(&e, &line, deadline - monotonic_seconds())) result.out += line + "\n";
  result.out += e.out_buffer;  // a last line without its line end
  result.status = engine_wait(&e, deadline - monotonic_seconds() > 0 ? deadline - monotonic_seconds() : 0.1);
  result.err = engine_stderr(&e);
  engine_kill(&e);
  return result;
}
