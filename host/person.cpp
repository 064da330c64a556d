#include "person.h"

#include "form.h"

namespace ks {

// Without a person a modal form cannot be worked: it is closed at once.
void HeadlessPerson::ShowModal(Form& form) {
  if (!form.Closed()) form.RequestClose();
}

}  // namespace ks
