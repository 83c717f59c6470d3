// A group and users made for one test with groupadd and useradd, and removed again however
// the test ends. Only root can make them; every name carries the test process's pid, so two
// test runs never share one.
#pragma once
#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace cv7::itest {

class ThrowawayAccounts {
 public:
  ThrowawayAccounts() = default;
  ~ThrowawayAccounts() {
    for (const auto& user : users_) run({"/usr/sbin/userdel", user});
    for (const auto& group : groups_) run({"/usr/sbin/groupdel", group});
  }
  ThrowawayAccounts(const ThrowawayAccounts&) = delete;
  ThrowawayAccounts& operator=(const ThrowawayAccounts&) = delete;

  static std::string name(const std::string& stem) { return "cv7" + stem + std::to_string(::getpid()); }

  // A group named name(stem); its name, or "" when it could not be made.
  std::string addGroup(const std::string& stem) {
    std::string group = name(stem);
    if (!run({"/usr/sbin/groupadd", group})) return "";
    groups_.push_back(group);
    return group;
  }
  // A user without home directory, in `group` as well when one is given.
  std::string addUser(const std::string& stem, const std::string& group = "") {
    std::string user = name(stem);
    std::vector<std::string> args = {"/usr/sbin/useradd", "-M", "-N", "-s", "/usr/sbin/nologin"};
    if (!group.empty()) args.insert(args.end(), {"-G", group});
    args.push_back(user);
    if (!run(args)) return "";
    users_.push_back(user);
    return user;
  }

  static uid_t uidOf(const std::string& user) {
    passwd* entry = ::getpwnam(user.c_str());
    return entry ? entry->pw_uid : uid_t(-1);
  }
  static gid_t gidOf(const std::string& group) {
    struct group* entry = ::getgrnam(group.c_str());
    return entry ? entry->gr_gid : gid_t(-1);
  }

  // Runs `work` in a child process as `user` (with its groups); the child's exit status.
  static int runAs(const std::string& user, const std::function<int()>& work) {
    pid_t child = ::fork();
    if (child == 0) {
      passwd* entry = ::getpwnam(user.c_str());
      if (!entry || ::initgroups(user.c_str(), entry->pw_gid) != 0 || ::setgid(entry->pw_gid) != 0 ||
          ::setuid(entry->pw_uid) != 0)
        ::_exit(125);
      ::_exit(work());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

 private:
  static bool run(const std::vector<std::string>& argv) {
    pid_t child = ::fork();
    if (child == 0) {
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::vector<std::string> users_, groups_;
};

}  // namespace cv7::itest
