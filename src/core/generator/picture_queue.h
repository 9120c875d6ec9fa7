#pragma once
// Product pictures made on a second thread while the catalogue walk writes the data
// files: finding each picture, checking (or making) its thumbnail and reading the
// files' stamps costs about as much as the walk itself. The walk hands over a
// category's products in walk order and takes the results in the same order.
//
// While a batch is in hand only the thread touches the two picture folders. Messages
// (a thumbnail that cannot be made) are kept and shown through the run's prompter, on
// the walk's thread, when their product's result is taken.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/file_stamp.h"
#include "common/prompter.h"
#include "imaging/image_refs.h"

namespace vendora {

class ProductPictureQueue {
 public:
  struct Result {
    ProductImageRefs refs;
    // Stamps of the referenced files (of the picture also when it cannot be read).
    std::optional<FileStamp> picture, thumbnail;
  };

  ProductPictureQueue(PictureFolder& pictures, PictureFolder& thumbnails, bool makeThumbnails, int quality,
                      Prompter& prompter);
  // Stops after the product in hand and waits for the thread.
  ~ProductPictureQueue();
  ProductPictureQueue(const ProductPictureQueue&) = delete;
  ProductPictureQueue& operator=(const ProductPictureQueue&) = delete;

  // Hands over the next batch; every result of the previous one must have been taken.
  void Start(std::vector<int32_t> productIds);
  // The next result in order (waits for it); shows its messages first and rethrows
  // what making it threw.
  Result Take();
  // The same without waiting: nullopt while the next result is not ready.
  std::optional<Result> TryTake();

 private:
  struct Done {
    Result result;
    std::vector<MessageRequest> messages;
    std::exception_ptr error;
  };
  void Work();
  Done Make(int32_t id);
  Result Deliver(Done done);

  PictureFolder& pictures_;
  PictureFolder& thumbnails_;
  const bool makeThumbnails_;
  const int quality_;
  Prompter& prompter_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int32_t> ids_;
  size_t next_ = 0;   // the next id the thread makes
  size_t taken_ = 0;  // results taken of this batch
  std::deque<Done> done_;
  bool stop_ = false;
  std::thread thread_;  // last: starts when everything above is ready
};

}  // namespace vendora
