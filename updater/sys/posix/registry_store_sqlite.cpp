// Keys form a tree in one table; values hang off their key. Every write is
// one BEGIN IMMEDIATE transaction, so two processes (the updater and the
// migration tool) can write at once: WAL lets readers go on while one writer
// holds the lock, and the busy timeout makes the other writer wait its turn.
//
// Names keep the letter case they were created with; lookups go through
// a folded copy (towupper in C.UTF-8, so non-ASCII letters fold too), the
// way the Windows registry compares names.
#include "updater/sys/posix/registry_store_sqlite.h"

#include <locale.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 10000;
constexpr int kOpenRetryMs = 20;
// Limits of the Windows registry, kept so that a path valid here is valid there.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;

constexpr char kSchema[] =
    "CREATE TABLE keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  UNIQUE(parent, folded));"
    "CREATE TABLE key_values("
    "  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, folded));"
    "INSERT INTO keys(id, parent, name, folded) VALUES"
    "  (1, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
    "  (2, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT');"
    "PRAGMA user_version = 1;";

std::int64_t RootId(RegistryRoot root) { return root == RegistryRoot::kCurrentUser ? 1 : 2; }

// towupper under C.UTF-8; without that locale there is no reliable folding,
// and the store refuses to open rather than file names under a second spelling.
class CaseFolder {
 public:
  CaseFolder() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {}
  ~CaseFolder() {
    if (locale_ != nullptr) freelocale(locale_);
  }
  CaseFolder(const CaseFolder&) = delete;
  CaseFolder& operator=(const CaseFolder&) = delete;

  bool Available() const { return locale_ != nullptr; }
  std::string Fold(const std::wstring& name) const {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale_));
    return ToNarrowString(folded);
  }

 private:
  locale_t locale_;
};

const CaseFolder& Folder() {
  static const CaseFolder folder;
  return folder;
}

// "A\B\C" -> A, B, C; "" is the root; one trailing '\' is allowed. Empty,
// over-long or too many components make the path invalid.
std::optional<std::vector<std::wstring>> SplitKeyPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  if (path.empty()) return parts;
  std::wstring rest = path;
  if (rest.size() > 1 && rest.back() == L'\\') rest.pop_back();
  std::size_t start = 0;
  while (true) {
    const std::size_t end = rest.find(L'\\', start);
    std::wstring part = rest.substr(start, end == std::wstring::npos ? end : end - start);
    if (part.empty() || part.size() > kMaxKeyNameLength) return std::nullopt;
    parts.push_back(std::move(part));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  if (parts.size() > kMaxKeyDepth) return std::nullopt;
  return parts;
}

// Creates the folders above `file`, private to the user.
void MakeParentFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    mkdir(file.substr(0, slash).c_str(), 0700);  // existing folders are fine
  }
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t value) {
    if (ok_) ok_ = sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
    return *this;
  }
  Statement& Bind(int index, const std::string& text) {
    if (ok_) {
      ok_ = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT) == SQLITE_OK;
    }
    return *this;
  }
  Statement& Bind(int index, const std::vector<std::uint8_t>& blob) {
    if (ok_) {
      // A zero-length blob must still be a blob, not NULL.
      static const std::uint8_t kEmpty = 0;
      ok_ = sqlite3_bind_blob(stmt_, index, blob.empty() ? &kEmpty : blob.data(),
                              static_cast<int>(blob.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return ok_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  bool Run() { return Step() == SQLITE_DONE; }

  bool IsNull(int column) { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  std::wstring Text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text == nullptr ? std::wstring()
                           : ToWideString(std::string(text, sqlite3_column_bytes(stmt_, column)));
  }
  std::vector<std::uint8_t> Blob(int column) {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    return std::vector<std::uint8_t>(data, data + sqlite3_column_bytes(stmt_, column));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

bool Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Rolls back unless committed.
class Transaction {
 public:
  Transaction(sqlite3* db, bool write)
      : db_(db), active_(Exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN")) {}
  ~Transaction() {
    if (active_) Exec(db_, "ROLLBACK");
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool Active() const { return active_; }
  bool Commit() {
    if (!active_ || !Exec(db_, "COMMIT")) return false;
    active_ = false;
    return true;
  }

 private:
  sqlite3* db_;
  bool active_;
};

// The connection shared by a store and the keys it opened; `mutex` guards
// every use of it.
struct Database {
  std::string path;
  std::mutex mutex;
  sqlite3* handle = nullptr;

  explicit Database(std::string file) : path(std::move(file)) {}
  ~Database() { sqlite3_close_v2(handle); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // With `mutex` held. Opens the database on first use, or again after a
  // failed attempt.
  bool EnsureOpen() {
    if (handle != nullptr) return true;
    if (path.empty() || !Folder().Available()) return false;
    MakeParentFolders(path);
    // Processes that open a new database at the same moment can meet while
    // one of them sets it up; SQLite then answers "busy" at once instead of
    // waiting, so the whole opening is tried again for the busy time-out.
    for (int waited = 0;; waited += kOpenRetryMs) {
      const int code = TryOpen();
      if (code == SQLITE_OK) return true;
      const int primary = code & 0xff;
      if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) || waited >= kBusyTimeoutMs) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kOpenRetryMs));
    }
  }

  std::optional<std::int64_t> Child(std::int64_t parent, const std::wstring& name) {
    Statement find(handle, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    find.Bind(1, parent).Bind(2, Folder().Fold(name));
    if (find.Step() != SQLITE_ROW) return std::nullopt;
    return find.Int(0);
  }

  std::optional<std::int64_t> Lookup(RegistryRoot root, const std::vector<std::wstring>& parts) {
    std::optional<std::int64_t> id = RootId(root);
    for (std::size_t i = 0; id && i < parts.size(); ++i) id = Child(*id, parts[i]);
    return id;
  }

  bool KeyExists(std::int64_t id) {
    Statement find(handle, "SELECT 1 FROM keys WHERE id = ?1");
    return find.Bind(1, id).Step() == SQLITE_ROW;
  }

 private:
  // SQLITE_OK, or the code of the failure (the handle is then closed).
  int TryOpen() {
    int code = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                               nullptr);
    if (code == SQLITE_OK) {
      if (Prepare()) return SQLITE_OK;
      code = sqlite3_extended_errcode(handle);
      // A database of a newer program, or not a database: not worth waiting for.
      if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) code = SQLITE_ERROR;
    }
    sqlite3_close_v2(handle);
    handle = nullptr;
    return code;
  }

  bool Prepare() {
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    if (!UseWal()) return false;
    if (!Exec(handle, "PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL")) return false;
    Transaction schema(handle, true);
    if (!schema.Active()) return false;
    const std::int64_t found = SchemaVersion();
    if (found == 0) {
      if (!Exec(handle, kSchema)) return false;
    } else if (found != kSchemaVersion) {
      return false;  // written by a newer program: leave it alone
    }
    return schema.Commit();
  }

  // Statements that return rows are done (destroyed) before anything
  // commits: SQLite refuses to commit while one is in progress.
  bool UseWal() {
    Statement wal(handle, "PRAGMA journal_mode = WAL");
    return wal.Step() == SQLITE_ROW && wal.Text(0) == L"wal";
  }

  // -1 when unreadable.
  std::int64_t SchemaVersion() {
    Statement version(handle, "PRAGMA user_version");
    return version.Step() == SQLITE_ROW ? version.Int(0) : -1;
  }
};

enum Access : unsigned { kQuery = 1, kModify = 2 };

class SqliteKey : public RegistryKey {
 public:
  SqliteKey(std::shared_ptr<Database> db, std::int64_t id, unsigned access)
      : db_(std::move(db)), id_(id), access_(access) {}

  RegistryResult QueryValue(const std::wstring& name, std::size_t maxBytes, std::uint32_t* type,
                            std::vector<std::uint8_t>* data) override {
    if (!(access_ & kQuery)) return RegistryResult::kFailed;
    std::lock_guard<std::mutex> lock(db_->mutex);
    Statement find(db_->handle,
                   "SELECT v.type, v.data FROM keys k LEFT JOIN key_values v"
                   " ON v.key = k.id AND v.folded = ?2 WHERE k.id = ?1");
    find.Bind(1, id_).Bind(2, Folder().Fold(name));
    if (find.Step() != SQLITE_ROW) return RegistryResult::kFailed;  // key deleted meanwhile
    if (find.IsNull(0)) return RegistryResult::kNotFound;
    std::vector<std::uint8_t> bytes = find.Blob(1);
    if (type != nullptr) *type = static_cast<std::uint32_t>(find.Int(0));
    const bool fits = bytes.size() <= maxBytes;
    if (data != nullptr) *data = fits ? std::move(bytes) : std::vector<std::uint8_t>();
    return fits ? RegistryResult::kOk : RegistryResult::kMoreData;
  }

  RegistryResult SetValue(const std::wstring& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) override {
    if (!(access_ & kModify)) return RegistryResult::kFailed;
    std::lock_guard<std::mutex> lock(db_->mutex);
    Transaction write(db_->handle, true);
    if (!write.Active()) return RegistryResult::kFailed;
    // The name keeps the spelling it was first written with.
    Statement set(db_->handle,
                  "INSERT INTO key_values(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                  " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type,"
                  " data = excluded.data");
    set.Bind(1, id_).Bind(2, ToNarrowString(name)).Bind(3, Folder().Fold(name));
    set.Bind(4, static_cast<std::int64_t>(type)).Bind(5, data);
    // A deleted key fails the foreign key.
    return set.Run() && write.Commit() ? RegistryResult::kOk : RegistryResult::kFailed;
  }

  RegistryResult DeleteValue(const std::wstring& name) override {
    if (!(access_ & kModify)) return RegistryResult::kFailed;
    std::lock_guard<std::mutex> lock(db_->mutex);
    Transaction write(db_->handle, true);
    if (!write.Active() || !db_->KeyExists(id_)) return RegistryResult::kFailed;
    Statement remove(db_->handle, "DELETE FROM key_values WHERE key = ?1 AND folded = ?2");
    if (!remove.Bind(1, id_).Bind(2, Folder().Fold(name)).Run()) return RegistryResult::kFailed;
    if (sqlite3_changes(db_->handle) == 0) return RegistryResult::kNotFound;
    return write.Commit() ? RegistryResult::kOk : RegistryResult::kFailed;
  }

  std::vector<RegistryValue> Values() override {
    std::vector<RegistryValue> values;
    if (!(access_ & kQuery)) return values;
    std::lock_guard<std::mutex> lock(db_->mutex);
    Statement list(db_->handle,
                   "SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY rowid");
    list.Bind(1, id_);
    while (list.Step() == SQLITE_ROW) {
      values.push_back({list.Text(0), static_cast<std::uint32_t>(list.Int(1)), list.Blob(2)});
    }
    return values;
  }

  std::vector<std::wstring> SubkeyNames() override {
    std::vector<std::wstring> names;
    if (!(access_ & kQuery)) return names;
    std::lock_guard<std::mutex> lock(db_->mutex);
    Statement list(db_->handle, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded");
    list.Bind(1, id_);
    while (list.Step() == SQLITE_ROW) names.push_back(list.Text(0));
    return names;
  }

  // Every commit is synchronous already.
  RegistryResult Flush() override { return RegistryResult::kOk; }

 private:
  std::shared_ptr<Database> db_;
  std::int64_t id_;
  unsigned access_;
};

class SqliteStore : public RegistryStore {
 public:
  explicit SqliteStore(std::string path) : db_(std::make_shared<Database>(std::move(path))) {}

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                       bool write) override {
    const auto parts = SplitKeyPath(path);
    if (!parts) return nullptr;
    std::lock_guard<std::mutex> lock(db_->mutex);
    if (!db_->EnsureOpen()) return nullptr;
    Transaction read(db_->handle, false);
    if (!read.Active()) return nullptr;
    const auto id = db_->Lookup(root, *parts);
    if (!id) return nullptr;
    return std::make_unique<SqliteKey>(db_, *id, write ? kModify : kQuery);
  }

  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path) override {
    const auto parts = SplitKeyPath(path);
    if (!parts) return nullptr;
    std::lock_guard<std::mutex> lock(db_->mutex);
    if (!db_->EnsureOpen()) return nullptr;
    Transaction write(db_->handle, true);
    if (!write.Active()) return nullptr;
    std::int64_t id = RootId(root);
    for (const std::wstring& part : *parts) {
      if (const auto child = db_->Child(id, part)) {
        id = *child;
        continue;
      }
      Statement insert(db_->handle, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
      if (!insert.Bind(1, id).Bind(2, ToNarrowString(part)).Bind(3, Folder().Fold(part)).Run()) {
        return nullptr;
      }
      id = sqlite3_last_insert_rowid(db_->handle);
    }
    if (!write.Commit()) return nullptr;
    return std::make_unique<SqliteKey>(db_, id, kQuery | kModify);
  }

  RegistryResult DeleteKey(RegistryRoot root, const std::wstring& path) override {
    const auto parts = SplitKeyPath(path);
    if (!parts || parts->empty()) return RegistryResult::kFailed;  // roots stay
    std::lock_guard<std::mutex> lock(db_->mutex);
    if (!db_->EnsureOpen()) return RegistryResult::kFailed;
    Transaction write(db_->handle, true);
    if (!write.Active()) return RegistryResult::kFailed;
    const auto id = db_->Lookup(root, *parts);
    if (!id) return RegistryResult::kNotFound;
    // Subkeys and values follow by ON DELETE CASCADE.
    Statement remove(db_->handle, "DELETE FROM keys WHERE id = ?1");
    return remove.Bind(1, *id).Run() && write.Commit() ? RegistryResult::kOk
                                                       : RegistryResult::kFailed;
  }

 private:
  std::shared_ptr<Database> db_;
};

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return "";
  }
  return found->pw_dir;
}

}  // namespace

std::string UserRegistryDatabasePath() {
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;  // relative values are to be ignored
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return "";
    config = home + "/.config";
  }
  return config + "/tavrin/registry.sqlite3";
}

std::unique_ptr<RegistryStore> OpenSqliteRegistryStore(const std::string& path) {
  return std::make_unique<SqliteStore>(path);
}

RegistryStore& UserRegistryStore() {
  static SqliteStore store(UserRegistryDatabasePath());
  return store;
}

}  // namespace zefo
