// Private to the runtime: what a drawing context that draws for a view tells of it, for
// entities whose size is a share of the view (points under PDSIZE 0 or below).
#pragma once

namespace acrt {

class ViewHeight {
public:
    // The view's height in drawing units; 0 when it is not known.
    virtual double viewHeight() const = 0;

protected:
    ~ViewHeight() = default;
};

}  // namespace acrt
