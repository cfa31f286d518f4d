#include "desktop/windows/installer/service/transactions/transaction.h"

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation_journal.h"
#include "gtest/gtest.h"

namespace {

// Writes what happens to it into a shared journal: "x<name>" executed (after
// its change was written down as the deletion of <name>), "r<name>" rolled
// back, "d<name>" destroyed.
class JournalOperation : public Operation {
 public:
  JournalOperation(std::string name,
                   std::vector<std::string>* journal,
                   bool succeed = true,
                   std::vector<std::unique_ptr<Operation>> subs = {})
      : name_(std::move(name)), journal_(journal), succeed_(succeed), subs_(std::move(subs)) {}
  ~JournalOperation() override { journal_->push_back("d" + name_); }

 private:
  bool DoExecute(Transaction* sub_operations, std::string* error) override {
    for (auto& sub : subs_) {
      if (!sub_operations->Execute(std::move(sub), error))
        return false;
    }
    const UndoRecord record = {
        UndoRecord::Kind::kDelete,
        base::FilePath(base::FilePath::StringType(name_.begin(), name_.end())), base::FilePath()};
    if (!sub_operations->RecordUpcomingChange(record, error))
      return false;
    journal_->push_back("x" + name_);
    if (!succeed_ && error)
      *error += "failed " + name_;
    return succeed_;
  }
  void DoRollback() override { journal_->push_back("r" + name_); }

  std::string name_;
  std::vector<std::string>* journal_;
  bool succeed_;
  std::vector<std::unique_ptr<Operation>> subs_;
};

std::unique_ptr<Operation> Journal(std::string name,
                                   std::vector<std::string>* journal,
                                   bool succeed = true) {
  return std::make_unique<JournalOperation>(std::move(name), journal, succeed);
}

// A journal that keeps its records in memory and tells the shared event
// list when it writes ("w<name>") and when it is cut back ("t<length>").
class MemoryJournal : public OperationJournal {
 public:
  explicit MemoryJournal(std::vector<std::string>* events) : events_(events) {}

  bool Record(const UndoRecord& record) override {
    if (full)
      return false;
    records.push_back(std::string(record.path.value().begin(), record.path.value().end()));
    events_->push_back("w" + records.back());
    return true;
  }
  uint64_t GetLength() const override { return records.size(); }
  void Truncate(uint64_t length) override {
    events_->push_back("t" + std::to_string(length));
    records.resize(length);
  }

  std::vector<std::string> records;
  bool full = false;

 private:
  std::vector<std::string>* events_;
};

}  // namespace

TEST(TransactionTest, CommitDestroysOldestFirstWithSubOperationsBeforeTheirOwner) {
  std::vector<std::string> journal;
  {
    Transaction transaction;
    std::vector<std::unique_ptr<Operation>> subs;
    subs.push_back(Journal("s1", &journal));
    subs.push_back(Journal("s2", &journal));
    ASSERT_TRUE(transaction.Execute(Journal("a", &journal), nullptr));
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<JournalOperation>("b", &journal, /*succeed=*/true, std::move(subs)),
        nullptr));
    EXPECT_EQ(transaction.size(), 4u);
    journal.clear();
  }
  EXPECT_EQ(journal, (std::vector<std::string>{"da", "ds1", "ds2", "db"}));
}

TEST(TransactionTest, RollbackUndoesNewestFirstThenDestroysOldestFirst) {
  std::vector<std::string> journal;
  Transaction transaction;
  std::vector<std::unique_ptr<Operation>> subs;
  subs.push_back(Journal("s", &journal));
  ASSERT_TRUE(transaction.Execute(Journal("a", &journal), nullptr));
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<JournalOperation>("b", &journal, /*succeed=*/true, std::move(subs)),
      nullptr));
  journal.clear();
  transaction.Rollback();
  EXPECT_EQ(journal, (std::vector<std::string>{"rb", "rs", "ra", "da", "ds", "db"}));
  EXPECT_TRUE(transaction.empty());
  journal.clear();
  transaction.Rollback();
  EXPECT_TRUE(journal.empty());
}

TEST(TransactionTest, FailedOperationIsUndoneWithItsSubOperationsAndNotKept) {
  std::vector<std::string> journal;
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(Journal("a", &journal), nullptr));
  std::vector<std::unique_ptr<Operation>> subs;
  subs.push_back(Journal("s1", &journal));
  subs.push_back(Journal("s2", &journal));
  journal.clear();
  std::string error = "before: ";
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<JournalOperation>("b", &journal, /*succeed=*/false, std::move(subs)),
      &error));
  EXPECT_EQ(error, "before: failed b");
  EXPECT_EQ(journal,
            (std::vector<std::string>{"xs1", "xs2", "xb", "rb", "rs2", "rs1", "ds1", "ds2", "db"}));
  // Only the earlier operation is left to commit or roll back.
  EXPECT_EQ(transaction.size(), 1u);
}

TEST(TransactionTest, FailedSubOperationStopsTheOwnerAndKeepsNothing) {
  std::vector<std::string> journal;
  Transaction transaction;
  std::vector<std::unique_ptr<Operation>> subs;
  subs.push_back(Journal("s1", &journal));
  subs.push_back(Journal("s2", &journal, /*succeed=*/false));
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<JournalOperation>("b", &journal, /*succeed=*/true, std::move(subs)),
      nullptr));
  EXPECT_TRUE(transaction.empty());
  // The failing sub-operation is undone by the inner transaction, the one
  // before it by the outer rollback.
  EXPECT_EQ(journal, (std::vector<std::string>{"xs1", "xs2", "rs2", "ds2", "rb", "rs1", "ds1",
                                               "db"}));
}

// What a later process would have to undo is written down before each
// change is made, the sub-operations' first, and taken out again as soon as
// its rollback has run, so that the record never names a change that is no
// longer there. A change that cannot be written down is not made.
TEST(TransactionTest, JournalHoldsExactlyWhatIsStillToUndo) {
  std::vector<std::string> events;
  MemoryJournal journal(&events);
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(Journal("before", &events), nullptr));
  transaction.SetJournal(&journal);
  ASSERT_TRUE(transaction.Execute(Journal("a", &events), nullptr));
  std::vector<std::unique_ptr<Operation>> subs;
  subs.push_back(Journal("s1", &events));
  subs.push_back(Journal("s2", &events));
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<JournalOperation>("b", &events, /*succeed=*/true, std::move(subs)),
      nullptr));
  std::vector<std::unique_ptr<Operation>> failing_subs;
  failing_subs.push_back(Journal("s3", &events));
  events.clear();
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<JournalOperation>("c", &events, /*succeed=*/false,
                                         std::move(failing_subs)),
      nullptr));
  EXPECT_EQ(events, (std::vector<std::string>{"ws3", "xs3", "wc", "xc", "rc", "t5", "rs3", "t4",
                                              "ds3", "dc"}));
  EXPECT_EQ(journal.records, (std::vector<std::string>{"a", "s1", "s2", "b"}));
  journal.full = true;
  events.clear();
  std::string error;
  EXPECT_FALSE(transaction.Execute(Journal("unwritten", &events), &error));
  EXPECT_EQ(events, (std::vector<std::string>{"runwritten", "t4", "dunwritten"}));
  EXPECT_FALSE(error.empty());
  journal.full = false;

  // The operations written down are undone first, the one before them after.
  events.clear();
  transaction.RollbackTo(1);
  EXPECT_EQ(events, (std::vector<std::string>{"rb", "t3", "rs2", "t2", "rs1", "t1", "ra", "t0",
                                              "da", "ds1", "ds2", "db"}));
  EXPECT_TRUE(journal.records.empty());
  EXPECT_EQ(transaction.size(), 1u);
  events.clear();
  transaction.Rollback();
  EXPECT_EQ(events, (std::vector<std::string>{"rbefore", "dbefore"}));

  // A commit leaves the record to its owner, who drops it once committed.
  ASSERT_TRUE(transaction.Execute(Journal("d", &events), nullptr));
  events.clear();
  transaction.Commit();
  EXPECT_EQ(events, (std::vector<std::string>{"dd"}));
  EXPECT_EQ(journal.records, (std::vector<std::string>{"d"}));
  EXPECT_TRUE(transaction.empty());
}
