#include "desktop/windows/installer/service/transactions/transaction.h"

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

// Writes what happens to it into a shared journal: "x<name>" executed,
// "r<name>" rolled back, "d<name>" destroyed.
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
