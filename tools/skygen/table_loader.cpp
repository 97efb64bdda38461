#include "table_loader.h"

#include <mysqld_error.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "row_writer.h"

namespace sky::skygen {
namespace {

constexpr uint64_t kRowsPerLoadStatement = 250000;
constexpr size_t kInsertStatementBytes = 1 << 20;
constexpr uint64_t kRowsPerTransaction = 100000;
constexpr size_t kFeedChunkBytes = 1 << 16;

// Error numbers of a server or client that does not allow LOAD DATA LOCAL
// (MySQL servers use 3948 and 2068 for what MariaDB calls 4166).
bool LocalLoadingRefused(unsigned code) {
  return code == ER_NOT_ALLOWED_COMMAND || code == ER_LOAD_INFILE_CAPABILITY_DISABLED ||
         code == 3948 || code == 2068;
}

// Hands generated rows to the client library whenever the server asks for
// more of the "file".
struct InfileFeed {
  RowSource* source = nullptr;
  uint64_t limit = 0;      // rows this statement may carry
  uint64_t produced = 0;   // rows this statement has carried
  bool exhausted = false;  // the source is empty
  std::string buffer;
  size_t offset = 0;
  std::string error;

  // Fills the buffer until it holds at least `wanted` unsent bytes or the
  // statement's rows are complete.
  void Refill(size_t wanted) {
    if (offset == buffer.size()) {
      buffer.clear();
      offset = 0;
    }
    TabSeparatedWriter writer(buffer);
    while (buffer.size() - offset < wanted && produced < limit && !exhausted) {
      if (source->Next(writer)) {
        ++produced;
      } else {
        exhausted = true;
      }
    }
  }
};

int FeedInit(void** handle, const char*, void* userdata) {
  *handle = userdata;
  return 0;
}

int FeedRead(void* handle, char* out, unsigned int size) {
  auto* feed = static_cast<InfileFeed*>(handle);
  try {
    feed->Refill(std::max<size_t>(size, kFeedChunkBytes));
  } catch (const std::exception& e) {
    feed->error = e.what();
    return -1;
  }
  const size_t n = std::min<size_t>(size, feed->buffer.size() - feed->offset);
  std::memcpy(out, feed->buffer.data() + feed->offset, n);
  feed->offset += n;
  return static_cast<int>(n);
}

void FeedEnd(void*) {}

int FeedError(void* handle, char* message, unsigned int size) {
  auto* feed = static_cast<InfileFeed*>(handle);
  std::snprintf(message, size, "%s", feed->error.empty() ? "row generation failed" : feed->error.c_str());
  return 2000;  // the client library's "unknown error"
}

// Routes the connection's LOCAL INFILE requests to a feed while alive.
class FeedScope {
 public:
  FeedScope(Connection& db, InfileFeed& feed) : db_(db) {
    mysql_set_local_infile_handler(db_.Handle(), FeedInit, FeedRead, FeedEnd, FeedError, &feed);
  }
  ~FeedScope() { mysql_set_local_infile_default(db_.Handle()); }
  FeedScope(const FeedScope&) = delete;
  FeedScope& operator=(const FeedScope&) = delete;

 private:
  Connection& db_;
};

void RequireNoWarnings(Connection& db, const std::string& table) {
  if (db.WarningCount() > 0) {
    throw DatabaseError(0, "loading " + table + " raised " + std::to_string(db.WarningCount()) +
                               " warning(s), first: " + db.FirstWarning());
  }
}

// Returns false, with nothing loaded, when the server refuses local loading.
bool LoadWithLoadData(Connection& db, RowSource& source, uint64_t& loaded) {
  const std::string table(source.Table());
  const std::string statement = "load data local infile 'generated-" + table + "' into table `" +
                                table + "` character set utf8mb4 (" +
                                std::string(source.Columns()) + ")";
  InfileFeed feed;
  feed.source = &source;
  FeedScope scope(db, feed);
  while (!feed.exhausted) {
    feed.limit = kRowsPerLoadStatement;
    feed.produced = 0;
    feed.buffer.clear();
    feed.offset = 0;
    try {
      db.Exec(statement);
    } catch (const DatabaseError& e) {
      if (loaded == 0 && feed.produced == 0 && LocalLoadingRefused(e.Code())) return false;
      if (!feed.error.empty()) throw DatabaseError(e.Code(), "generating " + table + ": " + feed.error);
      throw;
    }
    const uint64_t stored = db.AffectedRows();
    RequireNoWarnings(db, table);
    // With LOCAL the server skips a duplicate row with a mere warning; the
    // count makes sure every generated row arrived.
    if (stored != feed.produced) {
      throw DatabaseError(0, "loading " + table + ": sent " + std::to_string(feed.produced) +
                                 " rows, the server stored " + std::to_string(stored));
    }
    loaded += feed.produced;
  }
  return true;
}

void LoadWithInserts(Connection& db, RowSource& source, uint64_t& loaded) {
  const std::string table(source.Table());
  const std::string prefix =
      "insert into `" + table + "` (" + std::string(source.Columns()) + ") values ";
  std::string statement;
  statement.reserve(kInsertStatementBytes + (64 << 10));
  ValuesWriter writer(statement);
  uint64_t in_transaction = 0;
  bool more = true;
  db.Exec("start transaction");
  while (more) {
    statement.assign(prefix);
    writer.NewStatement();
    while (statement.size() < kInsertStatementBytes && (more = source.Next(writer))) {
    }
    if (writer.Rows() == 0) break;
    db.Exec(statement);
    RequireNoWarnings(db, table);
    loaded += writer.Rows();
    in_transaction += writer.Rows();
    if (in_transaction >= kRowsPerTransaction) {
      db.Exec("commit");
      db.Exec("start transaction");
      in_transaction = 0;
    }
  }
  db.Exec("commit");
}

}  // namespace

uint64_t LoadTable(Connection& db, RowSource& source, LoadMethod method, bool* used_load_data) {
  uint64_t loaded = 0;
  bool via_load_data = false;
  if (method != LoadMethod::kInsert) {
    via_load_data = LoadWithLoadData(db, source, loaded);
    if (!via_load_data && method == LoadMethod::kLoadData) {
      throw DatabaseError(ER_NOT_ALLOWED_COMMAND, "the server does not allow LOAD DATA LOCAL INFILE");
    }
  }
  if (!via_load_data) LoadWithInserts(db, source, loaded);
  if (used_load_data != nullptr) *used_load_data = via_load_data;
  return loaded;
}

}  // namespace sky::skygen
