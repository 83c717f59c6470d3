// A listening Unix socket at a path in a directory of restricted access: the directory is
// made 0750 when missing, the socket 0660, both given to group "cv7" when that group
// exists. A socket file that nobody listens on any more is replaced; a live one is not.
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
  Result clearStale(int type, bool replaceLive);
  Result fail(Result result, const std::string& what, int error);
  void giveToGroup(const std::string& path);

  int fd_ = -1;
  std::string path_;
  std::string error_;
};

}  // namespace cv7::host
