// A listening Unix socket at a path in a directory of restricted access. The daemon makes a
// missing socket directory 0750 and gives it to the group (default "cv7", when it exists);
// missing parents get ordinary access (0755); the socket is 0660 with the same group. A
// directory it did not make is never changed: an existing socket directory is used only when
// root or the daemon's user owns it and nobody else may write to it (no write bit for others,
// none for a group other than the daemon's own), so no other user can replace the socket.
// A socket file that nobody listens on any more is replaced; a live one is not.
#pragma once
#include <string>

namespace cv7::host {

class SocketEndpoint {
 public:
  enum class Result { Listening, AlreadyServed, NoPermission, Failed };

  SocketEndpoint() = default;
  ~SocketEndpoint();
  SocketEndpoint(const SocketEndpoint&) = delete;
  SocketEndpoint& operator=(const SocketEndpoint&) = delete;

  // The group the socket and a directory made for it are given to (when it exists).
  void setGroup(std::string group) { group_ = std::move(group); }
  // type: SOCK_SEQPACKET or SOCK_STREAM. replaceLive: take the path over even when some
  // process still listens on it (for the admin socket of a daemon that owns the control path).
  Result listen(const std::string& path, int type, bool replaceLive = false);
  // Closes the socket and removes its file.
  void close();
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // What went wrong, for a one-line message.
  const std::string& error() const { return error_; }

 private:
  Result prepareDirectory(const std::string& directory);
  Result makeDirectory(const std::string& directory, bool forSocket);
  Result checkExisting(const std::string& directory);
  Result clearStale(int type, bool replaceLive);
  Result fail(Result result, const std::string& what, int error);
  Result failFor(const std::string& what, int error);
  void giveToGroup(int fd, const std::string& path);

  int fd_ = -1;
  std::string path_;
  std::string error_;
  std::string group_ = "cv7";
};

}  // namespace cv7::host
